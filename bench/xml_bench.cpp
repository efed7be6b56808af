// Parsing a generated 1 MB dialog description into a document tree (XmlParse, then XmlFree)
// against Expat alone on the same text with the same callbacks left empty. The difference is
// what building the tree costs: UTF-16 conversion, nodes, the string pool and the texts.
// Prints the ratio tree / Expat alone; the aim is at most 2.
#include <benchmark/benchmark.h>
#include <expat.h>

#include <cstdio>
#include <map>
#include <string>

#include "corvid.h"

namespace {

// Windows of boxes and gadgets as the dialog library reads them, CR LF indented, until the
// text holds `bytes` bytes.
std::string DialogText(size_t bytes) {
  std::string text = "<?xml version='1.0' encoding='UTF-8'?>\r\n<!-- generated -->\r\n<dialogs>\r\n";
  for (int n = 0; text.size() < bytes; ++n) {
    std::string id = std::to_string(n);
    text += "  <window name='win" + id + "' text='Window " + id +
            "' flags='#CV_Window_ScreenCentered|#CV_Window_SizeGadget' minwidth='auto'>\r\n"
            "    <vbox>\r\n"
            "      <hbox expand='no'>\r\n"
            "        <text name='lbl" + id + "' text='Label &amp; more " + id + "' flags='#CV_Text_Right' width='80' />\r\n"
            "        <string name='str" + id + "' text='value " + id + "' width='160' />\r\n"
            "      </hbox>\r\n"
            "      <frame text='Options'>\r\n"
            "        <gridbox columns='2'>\r\n"
            "          <checkbox name='chk" + id + "' text='Enabled' />\r\n"
            "          <option name='opt" + id + "' text='First' group='1' />\r\n"
            "          <option text='Second' group='1' />\r\n"
            "          <spin name='spn" + id + "' min='0' max='100' value='5' />\r\n"
            "        </gridbox>\r\n"
            "      </frame>\r\n"
            "      <editor name='ed" + id + "' flags='#CV_Editor_ReadOnly|#CV_Editor_WordWrap'>Some text "
            "with \xC3\xA9 and more</editor>\r\n"
            "      <hbox>\r\n"
            "        <button name='ok" + id + "' text='Okay' flags='#CV_Button_Default' />\r\n"
            "        <button name='cancel" + id + "' text='Cancel' />\r\n"
            "      </hbox>\r\n"
            "    </vbox>\r\n"
            "  </window>\r\n";
  }
  text += "</dialogs>\r\n";
  return text;
}

const std::string& Document() {
  static const std::string text = DialogText(1 << 20);
  return text;
}

void EmptyStart(void*, const XML_Char*, const XML_Char**) {}
void EmptyEnd(void*, const XML_Char*) {}
void EmptyCharacters(void*, const XML_Char*, int) {}
void EmptyComment(void*, const XML_Char*) {}
void EmptyEvent(void*) {}
void EmptyDoctypeStart(void*, const XML_Char*, const XML_Char*, const XML_Char*, int) {}
void EmptyXmlDeclaration(void*, const XML_Char*, const XML_Char*, int) {}
void EmptyInstruction(void*, const XML_Char*, const XML_Char*) {}

void ExpatAlone(benchmark::State& state) {
  const std::string& text = Document();
  for (auto _ : state) {
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetElementHandler(parser, EmptyStart, EmptyEnd);
    XML_SetCharacterDataHandler(parser, EmptyCharacters);
    XML_SetDefaultHandler(parser, EmptyCharacters);
    XML_SetCommentHandler(parser, EmptyComment);
    XML_SetCdataSectionHandler(parser, EmptyEvent, EmptyEvent);
    XML_SetDoctypeDeclHandler(parser, EmptyDoctypeStart, EmptyEvent);
    XML_SetXmlDeclHandler(parser, EmptyXmlDeclaration);
    XML_SetProcessingInstructionHandler(parser, EmptyInstruction);
    if (XML_Parse(parser, text.data(), static_cast<int>(text.size()), 1) == XML_STATUS_ERROR) state.SkipWithError("parse");
    XML_ParserFree(parser);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void DocumentTree(benchmark::State& state) {
  const std::string& text = Document();
  MainHeapCreate();
  StringHeapInit();
  XmlInit();
  for (auto _ : state) {
    int64_t document = XmlParse(CV_Any, text.data(), static_cast<int64_t>(text.size()), kXmlParseWhole, kXmlEncodingDetect);
    if (XmlStatus(document) != 0) state.SkipWithError("parse");
    XmlFree(document);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  XmlShutdown();
  StringHeapShutdown();
  MainHeapDestroy();
}

BENCHMARK(ExpatAlone)->Unit(benchmark::kMillisecond);
BENCHMARK(DocumentTree)->Unit(benchmark::kMillisecond);

// Prints the usual table, then the ratio of the two runs' times per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    if (times_.count("ExpatAlone") && times_.count("DocumentTree") && times_["ExpatAlone"] > 0) {
      std::printf("text: %zu bytes; CPU time tree / Expat alone = %.2f (aim: at most 2)\n", Document().size(),
                  times_["DocumentTree"] / times_["ExpatAlone"]);
    }
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
