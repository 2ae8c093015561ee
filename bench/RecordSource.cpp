#include "RecordSource.h"

#include <cstdio>
#include <random>

namespace {

class TSourceWriter {
public:
    explicit TSourceWriter(uint32_t seed) : fRandom(seed) {}

    std::string Write(size_t bytes) {
        fOut = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n\n"
               "<?tarnwick formatversion=\"1.0\"?>\n\n<record_list>\n\n";
        for (uint32_t id = 1; fOut.size() < bytes; ++id) {
            int kind = Below(10);
            const char* type = kind < 4 ? "text" : kind < 6 ? "binary" : kind < 8 ? "list" : "qdf";
            Format("<record id=\"%u-%u\" type=\"%s\"%s>\n", id / 500, id % 500, type,
                   Below(8) == 0 ? " permanent=\"true\"" : "");
            if (kind < 4)
                String();
            else if (kind < 6)
                HexData(Below(3) != 0);
            else if (kind < 8)
                KeyedTable();
            else
                AtomStream();
            fOut += "</record>\n\n";
        }
        fOut += "</record_list>\n";
        return std::move(fOut);
    }

private:
    int Below(int n) { return int(fRandom() % uint32_t(n)); }
    template <typename... Args> void Format(const char* format, Args... args) {
        char line[256];
        std::snprintf(line, sizeof line, format, args...);
        fOut += line;
    }
    std::string Words(int count) {
        static const char* const words[] = {"record", "Window",    "title",  "value",  "of",
                                            "the",    "menu",      "Select", "item",   "\\n",
                                            "&amp;",  "&lt;b&gt;", "\\22x",  "cancel", "OK"};
        std::string text;
        for (int i = 0; i < count; ++i)
            text += std::string(i ? " " : "") + words[Below(15)];
        return text;
    }

    void String() { fOut += "  <string>" + Words(3 + Below(30)) + "</string>\n"; }

    void HexData(bool column) {
        int length = 16 + Below(400);
        int perLine = column ? 10 : 20;
        fOut += "  <hex_data>";
        for (int at = 0; at < length; at += perLine) {
            fOut += "\n    ";
            std::string shown;
            int n = std::min(perLine, length - at);
            for (int i = 0; i < n; ++i) {
                int byte = Below(3) ? 0x20 + Below(0x5F) : Below(256);
                if (byte == '-') byte = '+'; // "--" would end the column's comment early
                Format("%02X ", byte);
                bool plain = byte >= 0x20 && byte <= 0x7E && byte != '"' && byte != '\'' &&
                             byte != '&' && byte != '<' && byte != '>';
                shown += plain ? char(byte) : '.';
            }
            if (column)
                fOut += std::string(size_t(3 * (perLine - n)), ' ') + "   <!-- " + shown + " -->";
        }
        fOut += "\n  </hex_data>\n";
    }

    void KeyedTable() {
        fOut += "  <keyed_table>\n";
        for (int n = 2 + Below(9); n > 0; --n)
            fOut += "    <entry key=\"" + Words(1 + Below(2)) + "\" value=\"" +
                    Words(1 + Below(6)) + "\"/>\n";
        fOut += "  </keyed_table>\n";
    }

    void AtomStream() {
        static const char* const atoms[] = {"form_begin", "field", "label", "bounds", "end_group"};
        fOut += "  <atom_stream>\n    <![CDATA[\n";
        for (int n = 5 + Below(36); n > 0; --n) {
            if (Below(6) == 0) {
                fOut += "      ; " + Words(4) + "\n";
                continue;
            }
            Format("      %s <%d, \"%s\">\n", atoms[Below(5)], Below(10000),
                   Below(2) ? "Name <x> & y" : "0x1F");
        }
        fOut += "    ]]>\n  </atom_stream>\n";
    }

    std::mt19937 fRandom;
    std::string fOut;
};

} // namespace

std::string MakeRecordSource(size_t bytes, uint32_t seed) {
    return TSourceWriter(seed).Write(bytes);
}
