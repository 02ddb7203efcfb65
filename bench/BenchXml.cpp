// Parses one large model document into a tree with our reader, pugixml and tinyxml2, in the same
// process on the same bytes, from memory and from a file. The document is generated at start-up in
// the engine's model format.
#include "xml/xmlParser.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>
#include <tinyxml2.h>

#include <unistd.h>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace
{
// About 34 MB: the size the comparison figures were first taken on.
const int kObjects = 8;
const int kVerticesPerObject = 15000;
const int kFacesPerObject = 15000;

uint32_t gSeed = 12345;
float NextUnit()
{
    gSeed = gSeed * 1664525u + 1013904223u;
    return float(gSeed >> 8) / float(1u << 24);
}

void AppendVertex(std::string& out)
{
    char line[512];
    snprintf(line, sizeof line,
             "      <vertex x=\"%.6f\" y=\"%.6f\" z=\"%.6f\" u0=\"%.6f\" v0=\"%.6f\" u1=\"%.6f\" "
             "v1=\"%.6f\" u2=\"0.000000\" v2=\"0.000000\" u3=\"0.000000\" v3=\"0.000000\" "
             "r=\"%.3f\" g=\"%.3f\" b=\"%.3f\" a=\"1.000\"/>\n",
             NextUnit() * 200 - 100, NextUnit() * 200 - 100, NextUnit() * 200 - 100, NextUnit(),
             NextUnit(), NextUnit(), NextUnit(), NextUnit(), NextUnit(), NextUnit());
    out += line;
}

void AppendFace(std::string& out, int vertexCount)
{
    char line[256];
    int a = int(NextUnit() * float(vertexCount - 1));
    snprintf(line, sizeof line,
             "      <face a=\"%d\" b=\"%d\" c=\"%d\" materialindex=\"%d\" "
             "parallaxmapindex=\"%d\"/>\n",
             a, (a + 1) % vertexCount, (a + 2) % vertexCount, a % 4, a % 2);
    out += line;
}

std::string MakeModelDocument()
{
    std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<KyrelModelFormat>\n";
    out += "  <model name=\"bench\" numsubobjects=\"8\" nummaterials=\"4\" "
           "numofparallaxmap=\"2\">\n";
    for (int m = 0; m < 4; ++m)
    {
        out += "    <material name=\"m" + std::to_string(m) +
               "\" opacity=\"1.0\">\n"
               "      <ambient r=\"0.2\" g=\"0.2\" b=\"0.2\" a=\"1\"/>\n"
               "      <diffuse r=\"0.8\" g=\"0.8\" b=\"0.8\" a=\"1\"/>\n"
               "      <specular r=\"0\" g=\"0\" b=\"0\" a=\"1\"/>\n"
               "      <texture colormap=\"Data/Textures/stone&amp;moss.tga\"/>\n"
               "    </material>\n";
    }
    for (int p = 0; p < 2; ++p)
    {
        out += "    <parallaxmap><texture heightmap=\"Data/Textures/h.tga\"/></parallaxmap>\n";
    }
    for (int o = 0; o < kObjects; ++o)
    {
        out += "    <object name=\"part" + std::to_string(o) + "\" numvertices=\"" +
               std::to_string(kVerticesPerObject) + "\" numfaces=\"" +
               std::to_string(kFacesPerObject) + "\">\n";
        out += "      <position x=\"0\" y=\"0\" z=\"0\"/>\n"
               "      <orientation angle=\"0\" x=\"0\" y=\"1\" z=\"0\"/>\n";
        for (int v = 0; v < kVerticesPerObject; ++v)
        {
            AppendVertex(out);
        }
        for (int f = 0; f < kFacesPerObject; ++f)
        {
            AppendFace(out, kVerticesPerObject);
        }
        out += "    </object>\n";
    }
    out += "  </model>\n</KyrelModelFormat>\n";
    return out;
}

const std::string& Document()
{
    static const std::string document = MakeModelDocument();
    return document;
}

void SetBytes(benchmark::State& state)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Document().size()));
    state.counters["MB"] = double(Document().size()) / (1024.0 * 1024.0);
}

// The file the file benchmarks read: the document, written on first use and removed at exit.
std::string gDocumentPath;
const std::string& DocumentPath()
{
    if (gDocumentPath.empty())
    {
        std::string name = "/tmp/kyrel_bench_model_" + std::to_string(getpid()) + ".xml";
        FILE* file = fopen(name.c_str(), "wb");
        if (file == nullptr ||
            fwrite(Document().data(), 1, Document().size(), file) != Document().size())
        {
            abort();
        }
        fclose(file);
        gDocumentPath = name;
    }
    return gDocumentPath;
}

// Runs `parse` (true when the document parsed) until the benchmark has its time. Each parse keeps
// its tree to its end, so releasing the tree is timed too.
template <typename Parse> void RunParses(benchmark::State& state, Parse parse)
{
    for (auto _ : state)
    {
        if (!parse())
        {
            state.SkipWithError("parse failed");
            break;
        }
    }
    SetBytes(state);
}

bool KyrelParsed(const CXmlElement& root, const XmlParseResult& result)
{
    benchmark::DoNotOptimize(root.Data());
    return result.errorCode == XML_ERROR_NONE && !root.IsNull();
}

void BM_KyrelParseText(benchmark::State& state)
{
    const std::string& text = Document();
    RunParses(state,
              [&]
              {
                  XmlParseResult result;
                  CXmlElement root = ParseText(text.c_str(), "KyrelModelFormat", &result);
                  return KyrelParsed(root, result);
              });
}

void BM_Pugixml(benchmark::State& state)
{
    const std::string& text = Document();
    RunParses(state,
              [&]
              {
                  pugi::xml_document document;
                  bool parsed = bool(document.load_buffer(text.data(), text.size()));
                  benchmark::DoNotOptimize(document.first_child().internal_object());
                  return parsed;
              });
}

void BM_Tinyxml2(benchmark::State& state)
{
    const std::string& text = Document();
    RunParses(state,
              [&]
              {
                  tinyxml2::XMLDocument document;
                  bool parsed = document.Parse(text.data(), text.size()) == tinyxml2::XML_SUCCESS;
                  benchmark::DoNotOptimize(document.RootElement());
                  return parsed;
              });
}

// From a file, as the model loader reads it: the file read is counted.
void BM_KyrelParseFileText(benchmark::State& state)
{
    const std::string& path = DocumentPath();
    RunParses(state,
              [&]
              {
                  XmlParseResult result;
                  CXmlElement root = ParseFileText(path.c_str(), "KyrelModelFormat", &result);
                  return KyrelParsed(root, result);
              });
}

void BM_PugixmlLoadFile(benchmark::State& state)
{
    const std::string& path = DocumentPath();
    RunParses(state,
              [&]
              {
                  pugi::xml_document document;
                  bool parsed = bool(document.load_file(path.c_str()));
                  benchmark::DoNotOptimize(document.first_child().internal_object());
                  return parsed;
              });
}
}  // namespace

BENCHMARK(BM_KyrelParseText)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Pugixml)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Tinyxml2)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_KyrelParseFileText)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PugixmlLoadFile)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!gDocumentPath.empty())
    {
        remove(gDocumentPath.c_str());
    }
    return 0;
}
