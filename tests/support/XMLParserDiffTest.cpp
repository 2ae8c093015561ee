// Differential tests: TXMLParser against a literal byte-at-a-time model of its description
// (on a corpus and on damaged copies of it), and against a conforming XML parser (expat, run
// through python3) on the well-formed corpus.

#include "DynamicStream.h"
#include "TempDirectory.h"
#include "XMLCorpus.h"
#include "XMLModel.h"
#include "XMLParser.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace {

// Parses with both and reports any difference in result, offset or tree.
void ExpectSameAsModel(const std::string& text, bool mustParse) {
    LDynamicStream stream;
    stream.WriteOrThrow(text.data(), uint32_t(text.size()));
    stream.Seek(0, seekBegin);
    TModelResult model = ParseModel(stream);
    stream.Seek(0, seekBegin);
    TXMLParser parser;
    uint32_t error = parser.Parse(stream);
    ASSERT_EQ(error, model.error) << text;
    ASSERT_EQ(stream.GetPosition(), model.offset) << text;
    ASSERT_TRUE(error == 0 || !mustParse) << text;
    if (error == 0) {
        ASSERT_EQ(Canonical(parser.GetRoot(), true), Canonical(model.root.get(), true)) << text;
    }
}

} // namespace

TEST(XMLParserDiff, AgreesWithTheModelOnCorpusAndDamagedCopies) {
    std::vector<std::string> corpus = XMLCorpus(7, 300);
    std::mt19937 random(11);
    const std::string interesting = "<>/!-?[]&;#x\"'= \tDC\0\xFF";
    for (size_t d = 0; d < corpus.size(); ++d) {
        const std::string& doc = corpus[d];
        ExpectSameAsModel(doc, true);
        if (d < 30)
            for (size_t cut = 0; cut < doc.size(); ++cut)
                ExpectSameAsModel(doc.substr(0, cut), false);
        for (int m = 0; m < 40 && !doc.empty(); ++m) {
            std::string damaged = doc;
            size_t at = random() % damaged.size();
            char byte = interesting[random() % interesting.size()];
            switch (m % 3) {
            case 0:
                damaged[at] = byte;
                break;
            case 1:
                damaged.insert(at, 1, byte);
                break;
            default:
                damaged.erase(at, 1);
            }
            ExpectSameAsModel(damaged, false);
            if (HasFatalFailure()) return;
        }
    }
}

namespace {

// Emulates this parser's character-data rules on top of expat's events: a run of character
// data between two pieces of markup loses its leading whitespace, and one space joins it to
// earlier data of the element when whitespace was dropped since data was last appended; CDATA
// is kept whole.
const char* const kReference = R"PY(
import sys, xml.parsers.expat

def canonical(document):
    out, stack, state = [], [], {'pending': [], 'skipped': False, 'cdata': False}
    def flush(*ignored):
        run = ''.join(state['pending'])
        state['pending'] = []
        text = run.lstrip(' \t\n\r')
        if len(text) != len(run):
            state['skipped'] = True
        if text:
            if state['skipped'] and stack[-1][2]:
                stack[-1][2].extend(b' ')
            state['skipped'] = False
            stack[-1][2].extend(text.encode('latin-1'))
    def start(name, attributes):
        flush()
        node = [name, attributes, bytearray(), []]
        if stack:
            stack[-1][3].append(node)
        else:
            out.append(node)
        stack.append(node)
    def end(name):
        flush()
        stack.pop()
    def characters(text):
        if state['cdata']:
            stack[-1][2].extend(text.encode('latin-1'))
            state['skipped'] = state['skipped'] and not text
        else:
            state['pending'].append(text)
    def cdata(flag):
        flush()
        state['cdata'] = flag
    parser = xml.parsers.expat.ParserCreate()
    parser.StartElementHandler = start
    parser.EndElementHandler = end
    parser.CharacterDataHandler = characters
    parser.StartCdataSectionHandler = lambda: cdata(True)
    parser.EndCdataSectionHandler = lambda: cdata(False)
    parser.CommentHandler = flush
    parser.ProcessingInstructionHandler = flush
    parser.Parse(document, True)
    lines = []
    def walk(node):
        lines.append('E ' + node[0])
        for key in sorted(node[1]):
            lines.append('A ' + key + ' ' + node[1][key].encode('latin-1').hex().upper())
        lines.append('D ' + bytes(node[2]).hex().upper())
        for child in node[3]:
            walk(child)
        lines.append(')')
    walk(out[0])
    return '\n'.join(lines) + '\n'

folder, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    with open('%sdoc%d.xml' % (folder, i), 'rb') as f:
        sys.stdout.write('# %d\n' % i + canonical(f.read()))
)PY";

} // namespace

TEST(XMLParserDiff, AgreesWithExpatOnWellFormedDocuments) {
    if (std::system("python3 -c 'import xml.parsers.expat' >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3 with expat is not available";
    TTempDirectory folder;
    std::vector<std::string> corpus = XMLCorpus(3, 300);
    std::string expected;
    for (size_t i = 0; i < corpus.size(); ++i) {
        std::ofstream(folder / ("doc" + std::to_string(i) + ".xml"), std::ios::binary) << corpus[i];
        LDynamicStream stream;
        stream.WriteOrThrow(corpus[i].data(), uint32_t(corpus[i].size()));
        stream.Seek(0, seekBegin);
        TXMLParser parser;
        ASSERT_EQ(parser.Parse(stream), 0u) << corpus[i];
        expected += "# " + std::to_string(i) + "\n" + Canonical(parser.GetRoot(), false);
    }
    std::ofstream(folder / "reference.py") << kReference;
    std::string command = "python3 " + (folder / "reference.py") + " " + folder.Path() + " " +
                          std::to_string(corpus.size()) + " > " + (folder / "out.txt");
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::vector<uint8_t> output = ReadBytes(folder / "out.txt");
    std::string actual(output.begin(), output.end());
    // Compare document by document, so that a difference names its document.
    std::istringstream want(expected), got(actual);
    std::string wantLine, gotLine;
    int document = -1;
    while (std::getline(want, wantLine)) {
        ASSERT_TRUE(std::getline(got, gotLine));
        if (wantLine[0] == '#') document = std::stoi(wantLine.substr(2));
        ASSERT_EQ(gotLine, wantLine) << corpus[size_t(document)];
    }
    EXPECT_FALSE(std::getline(got, gotLine));
}
