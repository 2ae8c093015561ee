// The C++ overloads of an installed Kelvane on its buffer and text classes (consumer TABLE).
#include <kelvane.hpp>

#include <cstring>

int main(int argc, char** argv) {
    ZBuffer stream;
    ZString text;
    if (argc != 2 || KelInitialize(argv[1]) != 0) return 1;
    if (KelAssembleAtomStream(ZString("form_begin\nform_end"), stream, 0) != 0 || stream.Empty())
        return 1;
    if (KelDisassembleAtomStream(stream, text, 0) != 0 || !std::strstr(text.Text(), "form_end"))
        return 1;
    return KelTerminate();
}
