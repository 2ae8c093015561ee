#include "XMLCorpus.h"

#include <random>
#include <set>

namespace {

const char* const kHandWritten[] = {
    "<?xml version=\"1.0\"?><a/>",
    "<?xml version='1.0' encoding='ISO-8859-1'?>\n<?tarnwick formatversion=\"1.0\"?>\n\n"
    "<record_list>\n\n<record id=\"1-5\" type=\"text\">\n  <string>a\\tb</string>\n</record>\n"
    "<record id=\"0-7\" type=\"binary\" permanent=\"true\">\n  <hex_data>\n"
    "    41 42 2D 2D                     <!-- AB.. -->\n  </hex_data>\n</record>\n"
    "<record id=\"2-1\" type=\"list\">\n  <keyed_table>\n"
    "    <entry key=\"k&amp;\" value=\"&#xA;&lt;v&gt;\"/>\n  </keyed_table>\n</record>\n"
    "<record id=\"3-1\" type=\"qdf\">\n  <atom_stream>\n    <![CDATA[\n      form 1\n"
    "      ; note <x> & y\n    ]]>\n  </atom_stream>\n</record>\n\n</record_list>\n",
    "<?xml version=\"1.0\"?>\n<!DOCTYPE r [\n<!ELEMENT r ANY>\n<!-- <inner> -->\n]>\n"
    "<r x = 'a\"b>c' y=\"'\">one  <!--c-->  two<![CDATA[ three ]]>four<e/>five</r>\n<!--end-->",
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Deep><_a><b-1><c:d>x</c:d>\n\t</b-1> "
    "y</_a>\xE9z</Deep>",
};

// Random documents, built as text with the constraints of the header.
class TGenerator {
public:
    explicit TGenerator(uint32_t seed) : fRandom(seed) {}

    std::string Document() {
        std::string doc = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>";
        doc += Space();
        if (Chance(3)) doc += "<!DOCTYPE r [<!ELEMENT r ANY><!ENTITY e \"x\">]>" + Space();
        if (Chance(3)) doc += Comment() + Space();
        doc += Element(0);
        doc += Space();
        if (Chance(3)) doc += "<?after it?>" + Space();
        return doc;
    }

private:
    int Below(int n) { return int(fRandom() % uint32_t(n)); }
    bool Chance(int oneIn) { return Below(oneIn) == 0; }
    char Pick(const std::string& set) { return set[size_t(Below(int(set.size())))]; }

    std::string Space() {
        std::string s;
        for (int n = Below(4); n > 0; --n)
            s += Pick(" \t\n");
        return s;
    }
    std::string Name() {
        static const std::string start = "abcdefghijkmnopqrstuvwyzABCDEFGHIJKLNOPQRSTUVWYZ_";
        std::string name(1, Pick(start));
        for (int n = Below(6); n > 0; --n)
            name += Pick(start + "0123456789-:lx");
        return name;
    }
    // A reference to a byte both parsers decode alike.
    std::string Reference() {
        static const char* const names[] = {"&lt;", "&gt;", "&amp;", "&apos;", "&quot;"};
        static const char* const spaces[] = {"&#9;", "&#10;", "&#13;", "&#x9;", "&#xA;"};
        switch (Below(4)) {
        case 0:
            return names[Below(5)];
        case 1:
            return "&#" + std::to_string(32 + Below(224)) + ";";
        case 2:
            return "&#x" + std::string(1, Pick("23456789ABCDEF")) + Pick("0123456789abcdef") + ";";
        default:
            return spaces[Below(5)];
        }
    }
    // Bytes that stand for themselves in text and in values.
    std::string Plain() {
        if (Chance(8)) return std::string(1, char(0xA0 + Below(96)));
        return std::string(1, Pick("abcXYZ019 .,;:!?=/\"'>-_()"));
    }
    std::string Text() {
        std::string text(1, Pick("abcdefxyz"));
        for (int n = Below(12); n > 0; --n)
            text += Chance(6) ? Reference() : Plain();
        if (Chance(3)) text += Space();
        return text;
    }
    std::string Value(char quote) {
        std::string value;
        for (int n = Below(8); n > 0; --n) {
            std::string piece = Chance(5) ? Reference() : Plain();
            value += piece[0] == quote ? "x" : piece;
        }
        return value;
    }
    std::string Comment() {
        std::string body;
        for (int n = Below(10); n > 0; --n)
            body += Pick("ab <>&]-!x");
        while (body.find("--") != std::string::npos)
            body.replace(body.find("--"), 2, "-x");
        return "<!--" + body + (body.empty() || body.back() != '-' ? "" : "x") + "-->";
    }
    std::string CData() {
        std::string body;
        for (int n = Below(12); n > 0; --n)
            body += Chance(8) ? "]]" : std::string(1, Pick(" \t\n<>&x]y;"));
        while (body.find("]]>") != std::string::npos)
            body.replace(body.find("]]>"), 3, "]x>");
        if (!body.empty() && body.back() == ']') body += 'z';
        return "<![CDATA[" + body + "]]>";
    }

    std::string StartTag(std::string& name) {
        name = Name();
        std::string tag = "<" + name;
        std::set<std::string> used;
        for (int n = Below(4); n > 0; --n) {
            std::string attribute = Name();
            if (!used.insert(attribute).second) continue;
            char quote = Chance(2) ? '"' : '\'';
            for (const std::string& piece : {std::string(" "), Space(), attribute, Space(),
                                             std::string("="), Space(), std::string(1, quote),
                                             Value(quote), std::string(1, quote)})
                tag += piece;
        }
        return tag + Space();
    }

    std::string Element(int depth) {
        std::string name;
        std::string element = StartTag(name);
        if (Chance(4)) return element + "/>";
        element += ">";
        for (int n = Below(depth < 4 ? 7 : 3); n > 0; --n) {
            switch (Below(7)) {
            case 0:
            case 1:
                element += Text();
                break;
            case 2:
                element += Space();
                break;
            case 3:
                element += depth < 5 ? Element(depth + 1) : "<leaf/>";
                break;
            case 4:
                element += Comment();
                break;
            case 5:
                element += CData();
                break;
            default:
                element += Chance(2) ? "<?pi data <x>?>" : "<?p?>";
            }
        }
        return element + "</" + name + ">";
    }

    std::mt19937 fRandom;
};

} // namespace

std::vector<std::string> XMLCorpus(uint32_t seed, int generated) {
    std::vector<std::string> corpus(std::begin(kHandWritten), std::end(kHandWritten));
    TGenerator generator(seed);
    for (int i = 0; i < generated; ++i)
        corpus.push_back(generator.Document());
    return corpus;
}
