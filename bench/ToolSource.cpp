// Writes a record source for the command benchmarks (bench/tool_commands.sh,
// bench/compile_limits.sh):
//   tool_source OUTPUT.xml [RECORDS]
// 40% text records, 30% binary records of hex data, 10% keyed tables and 20% atom streams of
// 5 to 20 atoms of the default table, with random ids, the same for the same record count.
//   tool_source OUTPUT.xml attributes|text|value|nesting N
// One record whose size is all in one place: a record element with N attributes, a string of
// N bytes, a table entry whose value has N bytes, or N nested ignore elements.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

// Atoms of the default table with one argument each; %d stands for a random number.
const char* const kAtoms[] = {
    "label <\"Item %d\">",
    "width <%d>",
    "height <%d>",
    "visible <yes>",
    "enabled <no>",
    "value <%d>",
    "style <bold | italic>",
    "color <%d, 20, 30>",
    "field <edit_view, \"name%d\">",
    "form_id <1-2-%d>",
    "align <hlt>",
    "border <thin>",
    "gap <%d>",
    "serial <%d>",
    "cell <c, %d>",
    "choices <a, b, c>",
    "delay <%d>",
    "alert <info, \"Saved %d\">",
};

std::string Format(const char* pattern, int number) {
    char text[128];
    std::snprintf(text, sizeof text, pattern, number);
    return text;
}

std::string TextRecord(std::mt19937& random) {
    std::string text = "<string>";
    int words = 3 + int(random() % 20);
    for (int i = 0; i < words; ++i)
        text += Format(i ? " word%d" : "Word%d", int(random() % 1000));
    return text + "</string>\n";
}

std::string HexRecord(std::mt19937& random) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string hex = "<hex_data>";
    int bytes = 20 + int(random() % 200);
    for (int i = 0; i < bytes; ++i) {
        if (i % 20 == 0) hex += "\n    ";
        hex += kDigits[random() % 16];
        hex += kDigits[random() % 16];
        hex += ' ';
    }
    return hex + "\n  </hex_data>\n";
}

std::string TableRecord(std::mt19937& random) {
    std::string table = "<keyed_table>\n";
    int entries = 1 + int(random() % 8);
    for (int i = 0; i < entries; ++i)
        table += Format("    <entry key=\"key%d\" ", i) +
                 Format("value=\"value %d\"/>\n", int(random() % 100000));
    return table + "  </keyed_table>\n";
}

std::string AtomRecord(std::mt19937& random) {
    std::string text = "<atom_stream><![CDATA[\n";
    int atoms = 5 + int(random() % 16);
    for (int i = 0; i < atoms; ++i)
        text += "      " +
                Format(kAtoms[random() % (sizeof kAtoms / sizeof kAtoms[0])], int(random() % 200)) +
                "\n";
    return text + "  ]]></atom_stream>\n";
}

// Writes `count` copies of `piece`, numbered where it holds %ld.
void Repeat(std::FILE* out, const char* piece, long count) {
    for (long i = 0; i < count; ++i)
        std::fprintf(out, piece, i);
}

// One record that is large in one way only.
bool WriteExtreme(std::FILE* out, const std::string& kind, long n) {
    std::fputs("<?xml version=\"1.0\"?>\n<record_list>\n", out);
    if (kind == "attributes") {
        std::fputs("<record id=\"1-1\" type=\"text\"", out);
        Repeat(out, " a%ld=\"x\"", n);
        std::fputs("><string>x</string></record>\n", out);
    } else if (kind == "text" || kind == "value") {
        std::fputs(kind == "text" ? "<record id=\"1-1\" type=\"text\"><string>"
                                  : "<record id=\"1-1\" type=\"list\"><keyed_table><entry "
                                    "key=\"k\" value=\"",
                   out);
        std::string line(99, 'x');
        line += '\n';
        for (long i = 0; i < n; i += 100)
            std::fwrite(line.data(), 1, size_t(std::min<long>(100, n - i)), out);
        std::fputs(kind == "text" ? "</string></record>\n" : "\"/></keyed_table></record>\n", out);
    } else if (kind == "nesting") {
        Repeat(out, "<ignore>", n);
        Repeat(out, "</ignore>", n);
        std::fputs("\n", out);
    } else {
        return false;
    }
    std::fputs("</record_list>\n", out);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tool_source OUTPUT.xml [RECORDS | attributes|text|value|"
                             "nesting N]\n");
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) return 1;
    if (argc > 3) {
        bool written = WriteExtreme(out, argv[2], std::strtol(argv[3], nullptr, 10));
        return std::fclose(out) == 0 && written ? 0 : 2;
    }
    long count = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 100000;
    std::mt19937 random{uint32_t(count)};
    std::fputs("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<record_list>\n", out);
    for (long i = 0; i < count; ++i) {
        unsigned kind = random() % 10;
        const char* type = kind < 4 ? "text" : kind < 7 ? "binary" : kind < 8 ? "list" : "qdf";
        std::string body = kind < 4   ? TextRecord(random)
                           : kind < 7 ? HexRecord(random)
                           : kind < 8 ? TableRecord(random)
                                      : AtomRecord(random);
        // A random high field in front of a unique type and number: ids in random order.
        std::fprintf(out, "<record id=\"%u-%u-%u\" type=\"%s\">\n  %s</record>\n",
                     unsigned(random() % 200 + 1), unsigned(i >> 16), unsigned(i & 0xFFFF), type,
                     body.c_str());
    }
    std::fputs("</record_list>\n", out);
    return std::fclose(out) == 0 ? 0 : 1;
}
