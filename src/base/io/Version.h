/// \file
/// The engine's version: the one number its libraries, its package and its tools report.
#ifndef KYREL_VERSION_H
#define KYREL_VERSION_H

/// "MAJOR.MINOR.PATCH", the build's project version.
const char* KyrelVersion();

#endif
