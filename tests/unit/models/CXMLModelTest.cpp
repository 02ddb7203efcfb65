// The XML model reader without GL: every required-attribute message, optional attributes, counts,
// boxes, normals and tangent frames, letter case, and the bounds it keeps on malformed documents.
#include "models/CXMLModel.h"
#include "models/XMLModelWriter.h"
#include "xml/xmlParser.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace
{
const char* const TAIL = " Not a valid Kyrel Engine Model file!\n";

// Builds a complete one-material, one-height-map, one-quad document; "element.attribute" keys in
// omit leave that attribute out, "element" keys leave the element out.
std::string Document(const std::set<std::string>& omit = {})
{
    auto attr = [&](const std::string& key, const std::string& text)
    { return omit.count(key) ? std::string() : " " + text; };
    std::ostringstream out;
    out << "<?xml version=\"1.0\"?>\n<KyrelModelFormat>\n<model" << attr("model.name", "name=\"M\"")
        << attr("model.numsubobjects", "numsubobjects=\"1\"")
        << attr("model.nummaterials", "nummaterials=\"1\"")
        << attr("model.numofparallaxmap", "numofparallaxmap=\"1\"") << ">\n";
    out << "<material" << attr("material.name", "name=\"stone\"")
        << attr("material.opacity", "opacity=\"0.5\"") << ">\n";
    const char* colors[3] = {"ambient", "diffuse", "specular"};
    const char* components[4] = {"r", "g", "b", "a"};
    for (int c = 0; c < 3; ++c)
    {
        out << "<" << colors[c];
        for (int k = 0; k < 4; ++k)
        {
            std::string key = std::string(colors[c]) + "." + components[k];
            out << attr(key, std::string(components[k]) + "=\"0." + std::to_string(c * 4 + k + 1) +
                                 "\"");
        }
        out << "/>\n";
    }
    if (!omit.count("colortexture"))
    {
        out << "<texture" << attr("texture.colormap", "colormap=\"Data/a b.jpg\"") << "/>\n";
    }
    out << "</material>\n<parallaxmap>";
    if (!omit.count("heighttexture"))
    {
        out << "<texture" << attr("texture.heightmap", "heightmap=\"Data/h.pcx\"") << "/>";
    }
    out << "</parallaxmap>\n";
    out << "<object name=\"quad\" numvertices=\"4\" numfaces=\"1\">\n"
           "<position x=\"1\" y=\"2\" z=\"3\"/><orientation angle=\"45\" x=\"0\" y=\"1\" "
           "z=\"0\"/>\n"
           "<vertex x=\"0\" y=\"0\" z=\"0\" u0=\"0\" v0=\"0\" u1=\"0.1\" v1=\"0.2\" u2=\"0.3\" "
           "v2=\"0.4\" u3=\"0.5\" v3=\"0.6\" r=\"1\" g=\"0.5\" b=\"0.25\" a=\"1\"/>\n"
           "<vertex x=\"1\" y=\"0\" z=\"0\" u0=\"1\" v0=\"0\" r=\"1\" g=\"1\" b=\"1\" a=\"1\"/>\n"
           "<vertex x=\"0\" y=\"1\" z=\"0\" u0=\"0\" v0=\"1\" r=\"1\" g=\"1\" b=\"1\" a=\"1\"/>\n"
           "<vertex x=\"-1\" y=\"1\" z=\"-5\" u0=\"-1\" v0=\"1\" r=\"1\" g=\"1\" b=\"1\" "
           "a=\"1\"/>\n"
           "<face a=\"0\" b=\"1\" c=\"2\" d=\"3\" materialindex=\"0\" parallaxmapindex=\"0\"/>\n"
           "</object>\n</model>\n</KyrelModelFormat>\n";
    return out.str();
}

// Answers 100, 101, ... and keeps the paths it was asked for.
struct FakeLoader
{
    std::vector<std::string> paths;
    CXMLModel::ImageLoader Loader()
    {
        return [this](const char* path)
        {
            paths.push_back(path);
            return static_cast<unsigned int>(100 + paths.size() - 1);
        };
    }
};

struct ReadOutcome
{
    bool complete;
    std::string out;
    std::string err;
};

ReadOutcome Read(CXMLModel& model, const std::string& text, FakeLoader& loader)
{
    XmlParseResult result{};
    CXmlElement root = ParseText(text.c_str(), XML_MODEL_ROOT_TAG, &result);
    EXPECT_EQ(0, result.errorCode) << XmlErrorMessage(result.errorCode);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    bool complete = model.ReadDocument(root, "test.xml", loader.Loader());
    fflush(stdout);
    std::string out = testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    return {complete, out, err};
}

size_t Count(const std::string& haystack, const std::string& needle)
{
    size_t n = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos;
         at = haystack.find(needle, at + 1))
    {
        ++n;
    }
    return n;
}

void ExpectVector(const CVector3& v, float x, float y, float z)
{
    EXPECT_NEAR(x, v.x, 1e-6f);
    EXPECT_NEAR(y, v.y, 1e-6f);
    EXPECT_NEAR(z, v.z, 1e-6f);
}
}  // namespace

TEST(CXMLModelReader, CompleteDocumentFillsEveryField)
{
    CXMLModel model;
    FakeLoader loader;
    ReadOutcome outcome = Read(model, Document(), loader);
    EXPECT_TRUE(outcome.complete);
    EXPECT_EQ("\nNum of faces: 1", outcome.out) << "nothing else printed";
    EXPECT_EQ("", outcome.err);
    EXPECT_EQ("M", model.name);
    EXPECT_EQ("test.xml", model.path);
    ASSERT_EQ((std::vector<std::string>{"Data/a b.jpg", "Data/h.pcx"}), loader.paths);
    ASSERT_EQ(1u, model.materialCount);
    const XMLMaterial& material = model.materials[0];
    EXPECT_EQ("stone", material.name);
    EXPECT_EQ("Data/a b.jpg", material.textureFile);
    EXPECT_EQ(100, material.texture);
    EXPECT_FLOAT_EQ(0.5f, material.opacity);
    for (int k = 0; k < 4; ++k)
    {
        EXPECT_FLOAT_EQ(0.1f * (k + 1), material.ambient[k]);
        EXPECT_FLOAT_EQ(std::stof("0." + std::to_string(k + 5)), material.diffuse[k]);
        EXPECT_FLOAT_EQ(std::stof("0." + std::to_string(k + 9)), material.specular[k]);
    }
    ASSERT_EQ(1u, model.heightMapCount);
    EXPECT_EQ("Data/h.pcx", model.heightMaps[0].textureFile);
    EXPECT_EQ(101, model.heightMaps[0].texture);

    ASSERT_EQ(1u, model.subObjectCount);
    const XMLSubObject& object = model.subObjects[0];
    EXPECT_EQ("quad", object.name);
    ExpectVector(object.position, 1, 2, 3);
    EXPECT_FLOAT_EQ(45, object.orientationAngle);
    ExpectVector(object.orientationAxis, 0, 1, 0);
    ASSERT_EQ(4u, object.vertexCount);
    const XMLVertex& v = object.vertices[0];
    const float expected[] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 1, 0.5f, 0.25f, 1};
    const float actual[] = {v.u1, v.v1, v.u2, v.v2, v.u3, v.v3, v.r, v.g, v.b, v.a};
    for (int k = 0; k < 10; ++k)
    {
        EXPECT_FLOAT_EQ(expected[k], actual[k]) << "field " << k;
    }
    ASSERT_EQ(1u, object.faceCount);
    const XMLFace& face = object.faces[0];
    EXPECT_TRUE(face.IsQuad());
    EXPECT_EQ(3, face.d);
    EXPECT_EQ(0, face.materialIndex);
    EXPECT_EQ(0, face.parallaxMapIndex);
    // The fourth vertex lies off the plane: the normal comes from a, b, c alone.
    ExpectVector(face.normal, 0, 0, 1);
    ExpectVector(face.tangent, 0, 0, 0);
    EXPECT_EQ(4u, model.vertexCount);
    ExpectVector(object.boundsMin, -1, 0, -5);
    ExpectVector(object.boundsMax, 1, 1, 0);
    ExpectVector(model.boundsMin, -1, 0, -5);
    ExpectVector(model.boundsMax, 1, 1, 0);
    EXPECT_EQ(100, model.MaterialTexture(0));
    EXPECT_EQ(101, model.HeightMapTexture(0));
}

TEST(CXMLModelReader, EachMissingRequiredAttributePrintsItsMessageAndReadingGoesOn)
{
    struct Case
    {
        const char* omitted;
        const char* message;
    };
    const Case cases[] = {
        {"model.name", "\nModel Name not found in the xml!"},
        {"model.numsubobjects", "\nnumsubobjects tag not found in the xml!"},
        {"model.nummaterials", "\nnummaterials tag not found in the xml!"},
        {"model.numofparallaxmap", "\nnumofparallaxmap tag not found in the xml!"},
        {"material.name", "\nname tag not found in material tag!"},
        {"material.opacity", "\nopacity attribute not found in material tag!"},
        {"ambient.r", "\nr attribute not found in the ambient tag!"},
        {"ambient.g", "\ng attribute not found in the ambient tag!"},
        {"ambient.b", "\nb attribute not found in the ambient tag!"},
        {"ambient.a", "\na attribute not found in the ambient tag!"},
        {"diffuse.r", "\nr attribute not found in the diffuse tag!"},
        {"diffuse.g", "\ng attribute not found in the diffuse tag!"},
        {"diffuse.b", "\ngb attribute not found in the diffuse tag!"},
        {"diffuse.a", "\na attribute not found in the diffuse tag!"},
        {"specular.r", "\nr attribute not found in the specular tag!"},
        {"specular.g", "\ng attribute not found in the specular tag!"},
        {"specular.b", "\nb attribute not found in the specular tag!"},
        {"specular.a", "\na attribute not found in the specular tag!"},
        {"texture.colormap", "\ncolormap attribute not found in the texture tag!"},
        {"texture.heightmap", "\nheightmap attribute not found in the texture tag!"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.omitted);
        CXMLModel model;
        FakeLoader loader;
        ReadOutcome outcome = Read(model, Document({c.omitted}), loader);
        EXPECT_FALSE(outcome.complete);
        const std::string line = std::string(c.message) + TAIL;
        EXPECT_EQ(1u, Count(outcome.out, line)) << outcome.out;
        EXPECT_EQ(1u, Count(outcome.out, "Not a valid")) << "only that one message";
        // Later reads still happen: the object is read unless its own count was the one missing.
        EXPECT_EQ(std::string(c.omitted) == "model.numsubobjects" ? 0u : 1u, model.subObjectCount);
    }
}

TEST(CXMLModelReader, MissingTextureElementsWarnAndLeaveNoTexture)
{
    CXMLModel model;
    FakeLoader loader;
    ReadOutcome outcome = Read(model, Document({"colortexture", "heighttexture"}), loader);
    EXPECT_TRUE(outcome.complete);
    EXPECT_EQ("\nWARNING: No colormap information found.\n"
              "\nWARNING: No heightmap information found.\n\nNum of faces: 1",
              outcome.out);
    EXPECT_TRUE(loader.paths.empty());
    EXPECT_EQ(XML_NO_TEXTURE, model.materials[0].texture);
    EXPECT_EQ("", model.materials[0].textureFile);
    EXPECT_EQ(XML_NO_TEXTURE, model.heightMaps[0].texture);
}

TEST(CXMLModelReader, OptionalAttributesAndTheirAbsence)
{
    const char* text = "<KyrelModelFormat><model name=\"m\" numsubobjects=\"1\" nummaterials=\"0\" "
                       "numofparallaxmap=\"0\"><object numvertices=\"3\" numfaces=\"1\">"
                       "<vertex x=\"1\" v0=\"0.75\"/><vertex y=\"2\" u0=\"0.5\"/><vertex/>"
                       "<face a=\"0\" b=\"1\" c=\"2\"/></object></model></KyrelModelFormat>";
    CXMLModel model;
    FakeLoader loader;
    ReadOutcome outcome = Read(model, text, loader);
    EXPECT_TRUE(outcome.complete);
    const XMLSubObject& object = model.subObjects[0];
    EXPECT_EQ("", object.name);
    ExpectVector(object.position, 0, 0, 0);
    const XMLVertex& noCoordinate = object.vertices[0];
    EXPECT_EQ(XML_NO_TEXCOORD, noCoordinate.u0);
    EXPECT_FLOAT_EQ(0.75f, noCoordinate.v0) << "v0 is read even without u0";
    EXPECT_FLOAT_EQ(0.5f, object.vertices[1].u0);
    EXPECT_EQ(0.0f, object.vertices[2].x);
    const XMLFace& face = object.faces[0];
    EXPECT_FALSE(face.IsQuad());
    EXPECT_EQ(XML_NO_INDEX, face.materialIndex);
    EXPECT_EQ(XML_NO_INDEX, face.parallaxMapIndex);
    EXPECT_EQ(XML_NO_TEXTURE, model.MaterialTexture(face.materialIndex));
    EXPECT_EQ(nullptr, model.FindMaterial(face.materialIndex));
}

TEST(CXMLModelReader, CountsBoxesAndFaceLinesOverSeveralObjects)
{
    const char* text =
        "<KyrelModelFormat><model name=\"m\" numsubobjects=\"3\" nummaterials=\"0\" "
        "numofparallaxmap=\"0\">"
        "<object numvertices=\"4\" numfaces=\"2\"><vertex x=\"-2\"/><vertex y=\"3\"/>"
        "<vertex z=\"1\"/><vertex x=\"1\" y=\"1\"/>"
        "<face a=\"0\" b=\"1\" c=\"2\"/><face a=\"1\" b=\"2\" c=\"3\"/></object>"
        "<junk/><object numvertices=\"3\" numfaces=\"0\"><vertex x=\"5\" y=\"-4\"/><vertex/>"
        "<vertex z=\"-7\"/></object>"
        "<object numvertices=\"0\" numfaces=\"0\"/></model></KyrelModelFormat>";
    CXMLModel model;
    FakeLoader loader;
    ReadOutcome outcome = Read(model, text, loader);
    EXPECT_EQ("\nNum of faces: 2\nNum of faces: 0\nNum of faces: 0", outcome.out);
    EXPECT_EQ(7u, model.vertexCount);
    ASSERT_EQ(3u, model.subObjectCount);
    ExpectVector(model.subObjects[0].boundsMin, -2, 0, 0);
    ExpectVector(model.subObjects[0].boundsMax, 1, 3, 1);
    ExpectVector(model.subObjects[1].boundsMin, 0, -4, -7);
    ExpectVector(model.subObjects[1].boundsMax, 5, 0, 0);
    ExpectVector(model.subObjects[2].boundsMin, 1000000, 1000000, 1000000);
    ExpectVector(model.subObjects[2].boundsMax, -1000000, -1000000, -1000000);
    ExpectVector(model.boundsMin, -2, -4, -7);
    ExpectVector(model.boundsMax, 5, 3, 1);
}

TEST(CXMLModelReader, TangentFramesFollowTheTextureCoordinates)
{
    const char* text =
        "<KyrelModelFormat><model name=\"m\" numsubobjects=\"1\" nummaterials=\"0\" "
        "numofparallaxmap=\"0\"><object numvertices=\"6\" numfaces=\"2\">"
        "<vertex u0=\"0\" v0=\"0\"/><vertex x=\"1\" u0=\"1\" v0=\"0\"/>"
        "<vertex y=\"1\" u0=\"0\" v0=\"1\"/>"
        "<vertex u0=\"0.5\" v0=\"0.5\"/><vertex x=\"1\" u0=\"0.6\" v0=\"0.6\"/>"
        "<vertex y=\"1\" u0=\"0.7\" v0=\"0.7\"/>"
        "<face a=\"0\" b=\"1\" c=\"2\"/><face a=\"3\" b=\"4\" c=\"5\"/></object></model>"
        "</KyrelModelFormat>";
    CXMLModel model;
    FakeLoader loader;
    Read(model, text, loader);
    model.BuildTangentFrames();
    const XMLFace& unit = model.subObjects[0].faces[0];
    ExpectVector(unit.tangent, 1, 0, 0);
    ExpectVector(unit.binormal, 0, -1, 0);
    ExpectVector(unit.normal, 0, 0, 1);
    const XMLFace& collinear = model.subObjects[0].faces[1];
    ExpectVector(collinear.tangent, 0, 0, 0);
    ExpectVector(collinear.binormal, 0, 0, 0);
}

TEST(CXMLModelReader, NamesMatchInAnyLetterCase)
{
    const char* text =
        "<KYRELMODELFORMAT><MODEL NAME=\"m\" NumSubObjects=\"1\" NumMaterials=\"1\" "
        "NumOfParallaxMap=\"0\"><Material Name=\"x\" Opacity=\"1\"><AMBIENT R=\"1\" G=\"1\" "
        "B=\"1\" A=\"1\"/><Diffuse r=\"1\" g=\"1\" b=\"1\" a=\"1\"/><SPECULAR r=\"1\" g=\"1\" "
        "b=\"1\" a=\"1\"/><Texture ColorMap=\"c.png\"/></Material><Object NumVertices=\"3\" "
        "NumFaces=\"1\"><Vertex X=\"1\" U0=\"0.5\"/><VERTEX/><vertex/><FACE A=\"0\" B=\"1\" "
        "C=\"2\" "
        "MaterialIndex=\"0\"/></Object></MODEL></KYRELMODELFORMAT>";
    CXMLModel model;
    FakeLoader loader;
    ReadOutcome outcome = Read(model, text, loader);
    EXPECT_TRUE(outcome.complete) << outcome.out;
    EXPECT_EQ(1u, model.materialCount);
    EXPECT_EQ(100, model.MaterialTexture(0));
    ASSERT_EQ(1u, model.subObjects[0].faceCount);
    EXPECT_FLOAT_EQ(1, model.subObjects[0].vertices[0].x);
    EXPECT_FLOAT_EQ(0.5f, model.subObjects[0].vertices[0].u0);
}

TEST(CXMLModelReader, MalformedDocumentsStayWithinTheirData)
{
    struct Case
    {
        const char* name;
        const char* object;  // the object element; the model declares one object, no materials
        unsigned int faces;
        unsigned int vertices;
        const char* err;
    };
    const Case cases[] = {
        {"vertex index past the end",
         "<object numvertices=\"3\" numfaces=\"1\"><vertex/>"
         "<vertex/><vertex/><face a=\"0\" b=\"1\" c=\"3\"/></object>",
         0, 3, "face 0 of object 0 names a vertex outside the object"},
        {"negative index",
         "<object numvertices=\"3\" numfaces=\"2\"><vertex/><vertex/><vertex/>"
         "<face a=\"0\" b=\"1\" c=\"2\"/><face a=\"-2\" b=\"1\" c=\"2\"/></object>",
         1, 3, "face 1 of object 0"},
        {"quad corner d past the end",
         "<object numvertices=\"3\" numfaces=\"1\"><vertex/><vertex/>"
         "<vertex/><face a=\"0\" b=\"1\" c=\"2\" d=\"9\"/></object>",
         0, 3, "face 0"},
        {"counts above the elements present",
         "<object numvertices=\"4000000000\" numfaces=\"-1\"><vertex/><vertex/><vertex/>"
         "<face a=\"0\" b=\"1\" c=\"2\"/></object>",
         1, 3, "declares 4000000000 vertex elements but holds 3"},
        {"counts as text", "<object numvertices=\"many\" numfaces=\"1e3\"><vertex/></object>", 0, 0,
         "declares 1 face elements but holds 0"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::string text = std::string("<KyrelModelFormat><model name=\"m\" numsubobjects=\"1\" "
                                       "nummaterials=\"0\" numofparallaxmap=\"0\">") +
                           c.object + "</model></KyrelModelFormat>";
        CXMLModel model;
        FakeLoader loader;
        ReadOutcome outcome = Read(model, text, loader);
        EXPECT_TRUE(outcome.complete);
        ASSERT_EQ(1u, model.subObjectCount);
        EXPECT_EQ(c.faces, model.subObjects[0].faceCount);
        EXPECT_EQ(c.faces, model.subObjects[0].faces.size());
        EXPECT_EQ(c.vertices, model.subObjects[0].vertexCount);
        EXPECT_NE(std::string::npos, outcome.err.find(c.err)) << outcome.err;
        model.BuildTangentFrames();
    }
}

TEST(CXMLModelReader, ShortListsStopAtTheLastElementPresent)
{
    const char* text = "<KyrelModelFormat><model name=\"m\" numsubobjects=\"5\" nummaterials=\"3\" "
                       "numofparallaxmap=\"4294967295\"><material name=\"a\" opacity=\"1\">"
                       "<ambient r=\"0\" g=\"0\" b=\"0\" a=\"0\"/><diffuse r=\"0\" g=\"0\" b=\"0\" "
                       "a=\"0\"/><specular r=\"0\" g=\"0\" b=\"0\" a=\"0\"/></material>"
                       "<parallaxmap/><object/></model></KyrelModelFormat>";
    CXMLModel model;
    FakeLoader loader;
    ReadOutcome outcome = Read(model, text, loader);
    // A material that is not there lacks its required attributes, which ends the load.
    EXPECT_FALSE(outcome.complete);
    EXPECT_EQ(1u, Count(outcome.out, "\nname tag not found in material tag!"));
    EXPECT_EQ(1u, model.materialCount);
    EXPECT_EQ(1u, model.heightMapCount);
    EXPECT_EQ(1u, model.subObjectCount);
    EXPECT_NE(std::string::npos, outcome.err.find("declares 3 material elements but holds 1"));
    EXPECT_NE(std::string::npos, outcome.err.find("declares 4294967295 parallaxmap"));
    EXPECT_NE(std::string::npos, outcome.err.find("declares 5 object elements but holds 1"));
    EXPECT_EQ(XML_NO_TEXTURE, model.MaterialTexture(1));
    EXPECT_EQ(XML_NO_TEXTURE, model.HeightMapTexture(7));
    EXPECT_EQ(XML_NO_TEXTURE, model.HeightMapTexture(-1));
}

TEST(CXMLModelReader, MissingRequiredAttributeGivesNoModelAfterReadingItAll)
{
    kyrel_test::TempDir folder("kmodel");
    const std::string path =
        kyrel_test::WriteFile(folder.File("model.xml"), Document({"diffuse.b"}));
    FakeLoader loader;
    // The whole document is still read (the pictures loaded, the faces counted) before the
    // failure is given to the caller.
    testing::internal::CaptureStdout();
    EXPECT_EQ(nullptr, CXMLModel().Load(path.c_str(), loader.Loader()));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, out.find("\nNum of faces: 1")) << out;
    EXPECT_EQ(2u, loader.paths.size());
    loader.paths.clear();
    kyrel_test::WriteFile(path, Document());
    CXMLModel model;
    testing::internal::CaptureStdout();
    EXPECT_EQ(&model, model.Load(path.c_str(), loader.Loader()));
    EXPECT_EQ("\nNum of faces: 1", testing::internal::GetCapturedStdout());
    EXPECT_EQ(path, model.path);
    EXPECT_EQ(2u, loader.paths.size());
}

TEST(CXMLModelReader, NumbersReadAsTheCLibraryReadsThem)
{
    std::vector<std::string> texts = {"0",
                                      "-0",
                                      "1",
                                      "-1.5",
                                      ".25",
                                      "-.75",
                                      "1e3",
                                      "1E-3",
                                      "+2",
                                      " 3.5",
                                      "0x1p3",
                                      "-0X10",
                                      "inf",
                                      "-Infinity",
                                      "nan",
                                      "1e39",
                                      "-1e39",
                                      "1e-400",
                                      "3.4028235e38",
                                      "1.5abc",
                                      "1e",
                                      "-",
                                      ".",
                                      "",
                                      "abc",
                                      "0.1000000000000000055511151231257827",
                                      "16777217",
                                      "0.30000001192092896",
                                      "7.006492321624085e-46"};
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-40, 38);
    for (int i = 0; i < 200; ++i)
    {
        char text[64];
        std::snprintf(text, sizeof text, "%.*ge%d", 6 + i % 12, mantissa(rng), exponent(rng));
        texts.push_back(text);
    }
    std::ostringstream document;
    document << "<KyrelModelFormat><model name=\"m\" numsubobjects=\"1\" nummaterials=\"0\" "
                "numofparallaxmap=\"0\"><object numvertices=\""
             << texts.size() << "\" numfaces=\"0\">";
    for (const std::string& text : texts)
    {
        document << "<vertex x=\"" << text << "\"/>";
    }
    document << "</object></model></KyrelModelFormat>";
    CXMLModel model;
    FakeLoader loader;
    Read(model, document.str(), loader);
    ASSERT_EQ(texts.size(), model.subObjects[0].vertices.size());
    for (size_t i = 0; i < texts.size(); ++i)
    {
        double expected = std::strtod(texts[i].c_str(), nullptr);
        float x = model.subObjects[0].vertices[i].x;
        if (std::isnan(expected))
        {
            EXPECT_TRUE(std::isnan(x)) << texts[i];
        }
        else if (expected > FLT_MAX || expected < -FLT_MAX)
        {
            EXPECT_EQ(expected > 0 ? HUGE_VALF : -HUGE_VALF, x) << texts[i];
        }
        else
        {
            EXPECT_EQ(static_cast<float>(expected), x) << texts[i];
        }
    }
}

TEST(CXMLModelReader, FirstAttributeOfANameWinsAndAValuelessOneCountsAsMissing)
{
    const char* text =
        "<KyrelModelFormat><model name=\"m\" numsubobjects=\"1\" nummaterials=\"0\" "
        "numofparallaxmap=\"0\"><object numvertices=\"3\" numfaces=\"1\">"
        "<vertex x=\"1\" X=\"2\" u0 U0=\"0.5\" v0=\"0.25\"/><vertex Y=\"3\" y=\"4\"/><vertex/>"
        "<face A=\"2\" a=\"0\" b=\"1\" c=\"0\" d materialindex=\"0\" MaterialIndex=\"1\"/>"
        "</object></model></KyrelModelFormat>";
    CXMLModel model;
    FakeLoader loader;
    Read(model, text, loader);
    const XMLSubObject& object = model.subObjects[0];
    EXPECT_FLOAT_EQ(1, object.vertices[0].x);
    EXPECT_EQ(XML_NO_TEXCOORD, object.vertices[0].u0) << "u0 written without a value";
    EXPECT_FLOAT_EQ(0.25f, object.vertices[0].v0);
    EXPECT_FLOAT_EQ(3, object.vertices[1].y);
    ASSERT_EQ(1u, object.faceCount);
    EXPECT_EQ(2, object.faces[0].a);
    EXPECT_FALSE(object.faces[0].IsQuad()) << "d written without a value";
    EXPECT_EQ(0, object.faces[0].materialIndex);
}

// The writer's document reads back field for field: every float to the bit (random patterns,
// denormals and extremes included), materials, pictures, quads and triangles, optional indices,
// and the relief attribute only on the object that has it.
TEST(CXMLModelWriter, DocumentReadsBackToTheSameModelBitForBit)
{
    CXMLModel model;
    FakeLoader loader;
    ASSERT_TRUE(Read(model, Document(), loader).complete);
    model.materials[0].name = "a&b <\"c\">";
    model.subObjects.push_back(model.subObjects[0]);
    XMLSubObject& second = model.subObjects.back();
    second.relief = true;
    second.name.clear();
    second.faces.clear();
    std::mt19937 rng(11);
    std::vector<float> values = {0.1f,     -0.0f,    FLT_MIN,  FLT_MAX,    -FLT_MAX,
                                 1.4e-45f, 3.0e-39f, 1.0f / 3, 16777216.0f};
    while (values.size() < 3000)
    {
        uint32_t bits = static_cast<uint32_t>(rng());
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (std::isfinite(value))
        {
            values.push_back(value);
        }
    }
    // Position, the four coordinate pairs and the colour take the values in turn.
    const size_t fields[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 13, 14, 15, 16};
    for (size_t i = 0; i + 15 <= values.size(); i += 15)
    {
        XMLVertex vertex;
        for (size_t k = 0; k < 15; ++k)
        {
            reinterpret_cast<float*>(&vertex)[fields[k]] = values[i + k];
        }
        second.vertices.push_back(vertex);
    }
    XMLFace triangle;  // no material, no height map
    triangle.c = 6;
    second.faces.push_back(triangle);

    kyrel_test::TempDir folder("xmlwriter");
    const std::string path = folder.File("model.xml");
    ASSERT_EQ(XML_ERROR_NONE, SaveXMLModel(model, path.c_str()));
    CXMLModel back;
    XmlParseResult result{};
    CXmlElement root = ParseFileText(path.c_str(), XML_MODEL_ROOT_TAG, &result);
    testing::internal::CaptureStdout();
    ASSERT_TRUE(back.ReadDocument(root, path.c_str(), loader.Loader()));
    testing::internal::GetCapturedStdout();

    EXPECT_EQ(model.materials[0].name, back.materials[0].name);
    EXPECT_EQ(model.heightMaps[0].textureFile, back.heightMaps[0].textureFile);
    ASSERT_EQ(2u, back.subObjects.size());
    EXPECT_FALSE(back.subObjects[0].relief);
    EXPECT_TRUE(back.subObjects[1].relief);
    for (size_t s = 0; s < 2; ++s)
    {
        const XMLSubObject& expected = model.subObjects[s];
        const XMLSubObject& actual = back.subObjects[s];
        EXPECT_EQ(expected.name, actual.name);
        ASSERT_EQ(expected.vertices.size(), actual.vertices.size());
        for (size_t v = 0; v < expected.vertices.size(); ++v)
        {
            for (size_t k : fields)
            {
                EXPECT_EQ(0, std::memcmp(reinterpret_cast<const float*>(&expected.vertices[v]) + k,
                                         reinterpret_cast<const float*>(&actual.vertices[v]) + k,
                                         sizeof(float)))
                    << "object " << s << " vertex " << v << " field " << k;
            }
        }
        ASSERT_EQ(expected.faces.size(), actual.faces.size());
        for (size_t f = 0; f < expected.faces.size(); ++f)
        {
            const XMLFace& e = expected.faces[f];
            const XMLFace& a = actual.faces[f];
            EXPECT_EQ(std::vector<int>({e.a, e.b, e.c, e.d, e.materialIndex, e.parallaxMapIndex}),
                      std::vector<int>({a.a, a.b, a.c, a.d, a.materialIndex, a.parallaxMapIndex}));
        }
    }
}
