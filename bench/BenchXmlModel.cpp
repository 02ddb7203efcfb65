// Loading a large model document (tens of megabytes, written at start-up): the engine's whole
// model load, its parse alone and its model building alone, beside pugixml and tinyxml2 parsing
// the same file and a pugixml-based reader that builds the same vertex and face arrays.
#include "models/CXMLModel.h"
#include "xml/xmlParser.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>
#include <tinyxml2.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace
{
// A square grid of quads: GRID x GRID quads, (GRID + 1)^2 vertices.
const int GRID = 400;

std::string& DocumentPath()
{
    static std::string path;
    return path;
}

void WriteDocument(const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "w");
    if (!file)
    {
        std::perror(path.c_str());
        std::exit(1);
    }
    const int side = GRID + 1;
    std::fprintf(file, "<?xml version=\"1.0\"?>\n<KyrelModelFormat>\n<model name=\"big\" "
                       "numsubobjects=\"1\" nummaterials=\"1\" numofparallaxmap=\"1\">\n"
                       "<material name=\"m\" opacity=\"1\"><ambient r=\"1\" g=\"1\" b=\"1\" "
                       "a=\"1\"/><diffuse r=\"1\" g=\"1\" b=\"1\" a=\"1\"/><specular r=\"1\" "
                       "g=\"1\" b=\"1\" a=\"1\"/><texture colormap=\"c.jpg\"/></material>\n"
                       "<parallaxmap><texture heightmap=\"h.pcx\"/></parallaxmap>\n");
    std::fprintf(file, "<object name=\"grid\" numvertices=\"%d\" numfaces=\"%d\">\n", side * side,
                 GRID * GRID);
    std::fprintf(file, "<position x=\"0\" y=\"0\" z=\"0\"/><orientation angle=\"0\" x=\"0\" "
                       "y=\"1\" z=\"0\"/>\n");
    for (int j = 0; j < side; ++j)
    {
        for (int i = 0; i < side; ++i)
        {
            std::fprintf(
                file,
                "<vertex x=\"%.3f\" y=\"%.3f\" z=\"%.3f\" u0=\"%.4f\" v0=\"%.4f\" u1=\"0\" "
                "v1=\"0\" u2=\"0\" v2=\"0\" u3=\"0\" v3=\"0\" r=\"1\" g=\"0.5\" b=\"0.25\" "
                "a=\"1\"/>\n",
                i * 0.25, 0.01 * ((i * 7 + j * 3) % 11), j * -0.25, i / 8.0, j / 8.0);
        }
    }
    for (int j = 0; j < GRID; ++j)
    {
        for (int i = 0; i < GRID; ++i)
        {
            int a = j * side + i;
            std::fprintf(file,
                         "<face a=\"%d\" b=\"%d\" c=\"%d\" d=\"%d\" materialindex=\"0\" "
                         "parallaxmapindex=\"0\"/>\n",
                         a, a + 1, a + side + 1, a + side);
        }
    }
    std::fprintf(file, "</object>\n</model>\n</KyrelModelFormat>\n");
    std::fclose(file);
}

long FileSize(const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    std::fseek(file, 0, SEEK_END);
    long size = std::ftell(file);
    std::fclose(file);
    return size;
}

unsigned int FakeTexture(const char*)
{
    return 1;
}

void SetBytes(benchmark::State& state)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * FileSize(DocumentPath()));
}

// Everything the entity's load does but the picture upload: file, parse, model, tangent frames.
void BM_KyrelModelLoad(benchmark::State& state)
{
    for (auto _ : state)
    {
        CXMLModel model;
        model.Load(DocumentPath().c_str(), FakeTexture);
        model.BuildTangentFrames();
        benchmark::DoNotOptimize(model.vertexCount);
    }
    SetBytes(state);
}

void BM_KyrelParseOnly(benchmark::State& state)
{
    for (auto _ : state)
    {
        XmlParseResult result{};
        CXmlElement root = ParseFileText(DocumentPath().c_str(), XML_MODEL_ROOT_TAG, &result);
        benchmark::DoNotOptimize(root.ChildCount());
    }
    SetBytes(state);
}

// The model building step on a document parsed once outside the timing.
void BM_KyrelBuildFromParsedDocument(benchmark::State& state)
{
    CXmlElement root = ParseFileText(DocumentPath().c_str(), XML_MODEL_ROOT_TAG, nullptr);
    for (auto _ : state)
    {
        CXMLModel model;
        model.ReadDocument(root, "bench", FakeTexture);
        benchmark::DoNotOptimize(model.vertexCount);
    }
    SetBytes(state);
}

void BM_PugixmlParseOnly(benchmark::State& state)
{
    for (auto _ : state)
    {
        pugi::xml_document document;
        pugi::xml_parse_result result = document.load_file(DocumentPath().c_str());
        benchmark::DoNotOptimize(result.status);
    }
    SetBytes(state);
}

void BM_Tinyxml2ParseOnly(benchmark::State& state)
{
    for (auto _ : state)
    {
        tinyxml2::XMLDocument document;
        tinyxml2::XMLError error = document.LoadFile(DocumentPath().c_str());
        benchmark::DoNotOptimize(error);
    }
    SetBytes(state);
}

// What someone would write on pugixml instead: parse, then the same vertex and face arrays with
// normals, boxes and tangent frames (materials and pictures are negligible here).
void BM_PugixmlModelLoad(benchmark::State& state)
{
    for (auto _ : state)
    {
        pugi::xml_document document;
        document.load_file(DocumentPath().c_str());
        CXMLModel model;
        pugi::xml_node modelNode = document.child("KyrelModelFormat").child("model");
        for (pugi::xml_node objectNode : modelNode.children("object"))
        {
            model.subObjects.emplace_back();
            XMLSubObject& object = model.subObjects.back();
            object.vertices.reserve(objectNode.attribute("numvertices").as_uint());
            for (pugi::xml_node v : objectNode.children("vertex"))
            {
                XMLVertex vertex;
                vertex.x = v.attribute("x").as_float();
                vertex.y = v.attribute("y").as_float();
                vertex.z = v.attribute("z").as_float();
                vertex.u0 = v.attribute("u0").as_float(XML_NO_TEXCOORD);
                vertex.v0 = v.attribute("v0").as_float();
                vertex.r = v.attribute("r").as_float();
                vertex.g = v.attribute("g").as_float();
                vertex.b = v.attribute("b").as_float();
                vertex.a = v.attribute("a").as_float();
                object.vertices.push_back(vertex);
            }
            for (pugi::xml_node f : objectNode.children("face"))
            {
                XMLFace face;
                face.a = f.attribute("a").as_int();
                face.b = f.attribute("b").as_int();
                face.c = f.attribute("c").as_int();
                face.d = f.attribute("d").as_int(XML_NO_INDEX);
                face.materialIndex = f.attribute("materialindex").as_int(XML_NO_INDEX);
                face.parallaxMapIndex = f.attribute("parallaxmapindex").as_int(XML_NO_INDEX);
                CVector3 p0 = object.vertices[face.a].Position();
                face.normal = Cross(object.vertices[face.b].Position() - p0,
                                    object.vertices[face.c].Position() - p0)
                                  .Normalized();
                object.faces.push_back(face);
            }
            object.vertexCount = static_cast<unsigned int>(object.vertices.size());
            object.faceCount = static_cast<unsigned int>(object.faces.size());
        }
        model.BuildTangentFrames();
        benchmark::DoNotOptimize(model.subObjects.size());
    }
    SetBytes(state);
}

BENCHMARK(BM_KyrelModelLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugixmlModelLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KyrelParseOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PugixmlParseOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Tinyxml2ParseOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KyrelBuildFromParsedDocument)->Unit(benchmark::kMillisecond);
}  // namespace

int main(int argc, char** argv)
{
    char path[] = "/tmp/kyrel_bench_modelXXXXXX";
    int fd = mkstemp(path);
    if (fd < 0)
    {
        std::perror("mkstemp");
        return 1;
    }
    close(fd);
    DocumentPath() = path;
    WriteDocument(DocumentPath());
    std::fprintf(stderr, "model document: %.1f MB, %d vertices, %d quads\n",
                 FileSize(DocumentPath()) / 1e6, (GRID + 1) * (GRID + 1), GRID * GRID);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(path);
    return 0;
}
