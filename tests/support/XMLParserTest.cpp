#include "XMLParser.h"
#include "DynamicStream.h"
#include "Exception.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A stream that is not a memory stream, so that Parse takes its copying path.
class TStringStream : public LStream {
public:
    explicit TStringStream(std::string bytes) : fBytes(std::move(bytes)) {
        fSize = int32_t(fBytes.size());
    }
    uint32_t Write(const void*, uint32_t& count) override {
        count = 0;
        return errWriteFailed;
    }
    uint32_t Read(void* data, uint32_t& count) override {
        uint32_t code = 0;
        if (count > uint32_t(fSize - fPosition)) {
            count = uint32_t(fSize - fPosition);
            code = errEndOfData;
        }
        fBytes.copy(static_cast<char*>(data), count, size_t(fPosition));
        fPosition += int32_t(count);
        return code;
    }

private:
    std::string fBytes;
};

std::string DataOf(TXMLNode* node) {
    uint32_t count = 0;
    uint8_t* bytes = node->LockData(count);
    std::string data(reinterpret_cast<const char*>(bytes), count);
    node->UnlockData(bytes);
    return data;
}

struct Outcome {
    uint32_t error;
    int32_t offset;
};

Outcome ParseMemory(const std::string& text, TXMLParser& parser, int32_t start = 0) {
    LDynamicStream stream;
    stream.WriteOrThrow(text.data(), uint32_t(text.size()));
    stream.Seek(start, seekBegin);
    uint32_t error = parser.Parse(stream);
    return {error, stream.GetPosition()};
}

// `marked` is a document in which "|" marks the offset expected after parsing (the end when
// there is no mark); both the memory path and the copying path must stop there.
void ExpectOutcome(std::string marked, uint32_t error) {
    size_t mark = marked.find('|');
    if (mark != std::string::npos) marked.erase(mark, 1);
    int32_t offset = int32_t(mark == std::string::npos ? marked.size() : mark);
    TXMLParser memoryParser;
    Outcome memory = ParseMemory(marked, memoryParser);
    EXPECT_EQ(memory.error, error) << marked;
    EXPECT_EQ(memory.offset, offset) << marked;
    TStringStream other(marked);
    TXMLParser copyingParser;
    EXPECT_EQ(copyingParser.Parse(other), error) << marked;
    EXPECT_EQ(other.GetPosition(), offset) << marked;
}

// Parses a document that must succeed and returns its root.
TXMLNode* Root(TXMLParser& parser, const std::string& body) {
    Outcome outcome = ParseMemory("<?xml version=\"1.0\"?>" + body, parser);
    EXPECT_EQ(outcome.error, 0u) << body;
    return parser.GetRoot();
}

} // namespace

TEST(XMLParser, TheDeclarationIsOnlyLookedAt) {
    ExpectOutcome("|", 3);
    ExpectOutcome("|<?xm", 3);
    ExpectOutcome("|\xEF\xBB\xBF<?xml?><a/>", 3); // a byte-order mark is not skipped
    ExpectOutcome("| <?xml?><a/>", 3);
    ExpectOutcome("|<?xmm?><a/>", 3);
    ExpectOutcome("<?XmL version='1.0'?>", 0);
    ExpectOutcome("<?xmlfoo?>\n<r/>\n", 0);
    ExpectOutcome("<?xml", 1); // the declaration is a processing instruction that never ends
    TXMLParser parser;
    EXPECT_EQ(ParseMemory("<?xml?>", parser).error, 0u);
    EXPECT_EQ(parser.GetRoot(), nullptr);
}

TEST(XMLParser, ErrorOneEndOfInputAndMalformedConstructs) {
    for (const char* cut :
         {"<?xml?><", "<?xml?><a", "<?xml?><a>text", "<?xml?><a><!-- x", "<?xml?><a><![CDATA[x]]",
          "<?xml?><!DOCTYPE a [<!x>", "<?xml?><a x", "<?xml?><a x='1", "<?xml?><a x=", "<?xml?><a/",
          "<?xml?><![CDA", "<?xml?><a></a", "<?xml?><a>x</", "<?xml?><!-", "<?xml?><!DOC",
          "<?xml?><![INCLUDE", "<?xml?><![IGNORE", "<?xml?><a><?pi ?"})
        ExpectOutcome(cut, 1);
    ExpectOutcome("<?xml?><a/ |>", 1);
    ExpectOutcome("<?xml?><a x='1' x='2'|/>", 1);
    ExpectOutcome("<?xml?><a>&#X41;|</a>", 1);
    ExpectOutcome("<?xml?><a>x & y|</a>", 1);
    ExpectOutcome("<?xml?><a>&nbsp;|</a>", 1);
    ExpectOutcome("<?xml?><a>&amp|</a>", 1);
    ExpectOutcome("<?xml?><a x='&;'|/>", 1);
    ExpectOutcome("<?xml?><!DOCTYPE r [<!ENTITY e \"x\">]><r>&e;|</r>", 1);
}

TEST(XMLParser, ErrorTwoEndTagNameNotFollowedByGreaterThan) {
    ExpectOutcome("<?xml?><a></a |>", 2);
    ExpectOutcome("<?xml?><a><b></b/|></a>", 2);
}

TEST(XMLParser, ErrorThreeSyntax) {
    ExpectOutcome("<?xml?><!x|>", 3);
    ExpectOutcome("<?xml?><!-x|->", 3);
    ExpectOutcome("<?xml?><!Doctype| r>", 3);
    ExpectOutcome("<?xml?><![CDATA[|x]]>", 3);
    ExpectOutcome("<?xml?><![cdata[|x]]>", 3);
    ExpectOutcome("<?xml?><![INCLUDX[|", 3);
    ExpectOutcome("<?xml?><![IGNORX|[", 3);
    ExpectOutcome("<?xml?><![IGNORE |", 3);
    ExpectOutcome("<?xml?>x|<a/>", 3);
    ExpectOutcome("<?xml?><a></a>\n y|z", 3);
    ExpectOutcome("<?xml?><1|a/>", 3);
    ExpectOutcome("<?xml?>< |a/>", 3);
    ExpectOutcome("<?xml?><a |=x>", 3);
    ExpectOutcome("<?xml?><a|.b/>", 3);
    ExpectOutcome("<?xml?><a|\xE9/>", 3); // no byte above 127 is a name byte
    ExpectOutcome("<?xml?><a x y|>", 3);
    ExpectOutcome("<?xml?><a x=1|/>", 3);
    ExpectOutcome("<?xml?><a x=\"a<|b\"/>", 3);
    ExpectOutcome("<?xml?><a x='<|", 3); // the "<" is seen before the input ends
}

TEST(XMLParser, ErrorsFourToSeven) {
    ExpectOutcome("<?xml?><![INCLUDE[|<a/>]]>", 4);
    ExpectOutcome("<?xml?><a><![IGNORE[|x]]></a>", 4);
    ExpectOutcome("<?xml?><a/><b/>|", 5);
    ExpectOutcome("<?xml?><a></a>\n<b x='1'>|</b>", 5);
    ExpectOutcome("<?xml?><a/><b|", 1); // the tag must be read before it can be a second root
    ExpectOutcome("<?xml?><a></b|>", 6);
    ExpectOutcome("<?xml?></a|>", 6);
    ExpectOutcome("<?xml?><a></|>", 6);
    ExpectOutcome("<?xml?><a></ab|>", 6);
    ExpectOutcome("<?xml?><a><b></a|></b>", 6);
    ExpectOutcome("<?xml?><!-- a -- |b -->", 7);
    ExpectOutcome("<?xml?><!-- x ---|>", 7);
    ExpectOutcome("<?xml?><!--->", 1);
}

TEST(XMLParser, SkippedConstructsLeaveNothing) {
    ExpectOutcome("<?xml?><!----><!-- - --><!DOCTYPE r [<!ENTITY e \"x\">]><?pi <>?><r/>", 0);
    TXMLParser parser;
    TXMLNode* r = Root(parser, "<!DOCTYPE r [<!ELEMENT r ANY>]>\n<r><?p x?>a<!--c-->b</r>");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(DataOf(r), "ab");
    EXPECT_EQ(r->firstChild, nullptr);
}

TEST(XMLParser, CharacterDataWhitespaceAndJoining) {
    struct Case {
        const char* body;
        const char* data;
    } cases[] = {
        {"<a>  hi  </a>", "hi  "},
        {"<a>one  <!--c-->  two</a>", "one   two"},
        {"<a>x<b/> y</a>", "x y"},
        {"<a>x<b/>y</a>", "xy"},
        {"<a>x\n  <b>in</b>\n  y</a>", "x\n   y"},
        {"<a>x <![CDATA[y]]> z</a>", "x y z"},
        {"<a> <![CDATA[ <x> & ]]></a>", " <x> & "},
        {"<a><![CDATA[]]>\t<![CDATA[]]]]><![CDATA[>]]></a>", "]]>"},
        {"<a>x &amp; y</a>", "x & y"},
        {"<a>&#65;&#x42;&lt;&gt;&apos;&quot;&#321;&#12ab;</a>", "AB<>'\"A\x0C"},
        {"<a>\r\n&#32;x</a>", " x"}, // leading space written as a reference is kept
        // Whitespace dropped before a CDATA section that holds bytes does not join the text
        // right after the section (the flag used to outlive the section).
        {"<a> <b/><![CDATA[a<b]]>c</a>", "a<bc"},
        {"<a>x<b/> <![CDATA[]]>y</a>", "x y"},
    };
    for (const Case& c : cases) {
        TXMLParser parser;
        TXMLNode* a = Root(parser, c.body);
        ASSERT_NE(a, nullptr) << c.body;
        EXPECT_EQ(DataOf(a), c.data) << c.body;
    }
}

TEST(XMLParser, SpaceSkippedCarriesAcrossElements) {
    TXMLParser parser;
    TXMLNode* a = Root(parser, "<a>p<b>x</b> <c>y</c>q</a>");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(DataOf(a), "pq"); // the skip before <c> is used up by c's data
    EXPECT_EQ(DataOf(a->firstChild->nextSibling), "y");
}

TEST(XMLParser, ElementsAttributesAndLinks) {
    TXMLParser parser;
    TXMLNode* root =
        Root(parser,
             "<Record_list a:b='1'><r z=\"2\"y='>\"'x = \"&#x9;&lt;\"/>t<r2></r2></Record_list>");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->GetName(), "Record_list");
    EXPECT_EQ(root->attributes.at("a:b"), "1");
    TXMLNode* r = root->firstChild;
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(r->IsEmpty());
    EXPECT_EQ(r->parent, root);
    std::vector<std::pair<std::string, std::string>> attributes(r->attributes.begin(),
                                                                r->attributes.end());
    std::vector<std::pair<std::string, std::string>> expected = {
        {"x", "\t<"}, {"y", ">\""}, {"z", "2"}};
    EXPECT_EQ(attributes, expected);
    ASSERT_NE(r->nextSibling, nullptr);
    EXPECT_EQ(r->nextSibling->GetName(), "r2");
    EXPECT_FALSE(r->nextSibling->IsEmpty());
    EXPECT_EQ(r->nextSibling->nextSibling, nullptr);
    EXPECT_EQ(DataOf(root), "t");
}

TEST(XMLParser, PartialTreeStaysAfterAFailure) {
    TXMLParser parser;
    EXPECT_EQ(ParseMemory("<?xml?><a><b/><c x='1' x='2'/>", parser).error, 1u);
    ASSERT_NE(parser.GetRoot(), nullptr);
    ASSERT_NE(parser.GetRoot()->firstChild, nullptr);
    EXPECT_EQ(parser.GetRoot()->firstChild->GetName(), "b");
    EXPECT_EQ(parser.GetRoot()->firstChild->nextSibling, nullptr);
    EXPECT_EQ(ParseMemory("<?xml?><a/>", parser).error, 5u); // a parser parses one document
}

TEST(XMLParser, ParsesFromTheStreamPosition) {
    TXMLParser parser;
    Outcome outcome = ParseMemory("junk<?xml?><a>x</a>", parser, 4);
    EXPECT_EQ(outcome.error, 0u);
    EXPECT_EQ(outcome.offset, 19);
    TXMLParser failing;
    outcome = ParseMemory("junk<?xml?><a></b>", failing, 4);
    EXPECT_EQ(outcome.error, 6u);
    EXPECT_EQ(outcome.offset, 17);
}

TEST(XMLParser, DeepNestingParsesAndIsDestroyedWithoutRecursion) {
    constexpr int kDepth = 1000000;
    std::string text = "<?xml?>";
    text.reserve(text.size() + 7 * size_t(kDepth));
    for (int i = 0; i < kDepth; ++i)
        text += "<a>";
    text += "x";
    for (int i = 0; i < kDepth; ++i)
        text += "</a>";
    auto parser = std::make_unique<TXMLParser>();
    Outcome outcome = ParseMemory(text, *parser);
    ASSERT_EQ(outcome.error, 0u);
    int depth = 0;
    TXMLNode* node = parser->GetRoot();
    for (; node->firstChild != nullptr; node = node->firstChild)
        ++depth;
    EXPECT_EQ(depth, kDepth - 1);
    EXPECT_EQ(DataOf(node), "x");
    parser.reset();

    TXMLParser unclosed; // open elements at the end are no error
    EXPECT_EQ(ParseMemory(text.substr(0, text.size() / 2), unclosed).error, 0u);
}

namespace {

// Overrides steps the way a derived parser would: reading the stream itself.
class TRecordingParser : public TXMLParser {
public:
    std::vector<std::string> closed;
    std::string instructions;

protected:
    void EndElement(LStream&, TXMLNode* node) override { closed.push_back(node->GetName()); }
    void SkipProcessingInstruction(LStream& stream) override {
        std::string text;
        while (text.size() < 2 || text.substr(text.size() - 2) != "?>") {
            text += ' ';
            stream.ReadOrThrow(&text.back(), 1);
        }
        instructions += text;
    }
};

} // namespace

TEST(XMLParser, DerivedStepsReadTheStreamThemselves) {
    TRecordingParser parser;
    Outcome outcome = ParseMemory("<?xml?><a><b></b><?p q?>x</a>", parser);
    EXPECT_EQ(outcome.error, 0u);
    EXPECT_EQ(parser.closed, (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(parser.instructions, "xml?>p q?>");
    EXPECT_EQ(DataOf(parser.GetRoot()), "x");
    TRecordingParser failing;
    outcome = ParseMemory("<?xml?><a><?p", failing);
    EXPECT_EQ(outcome.error, 1u);
    EXPECT_EQ(outcome.offset, 13);
}
