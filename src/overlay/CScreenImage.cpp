// Screen images.
#include "overlay/CScreenImage.h"

CScreenImage::CScreenImage(const char*) {}

void CScreenImage::Draw(float, float, float, float, float, float) {}

void CScreenImage::DrawAt(float, float, float, float, float, float, float, float) {}
