/* A program outside the project, built against an installed Kelvane (consumer TABLE):
 * assembles and disassembles with the given table, takes an assembly error apart, and prints
 * "Kelvane M.m.p" from the installed header. Exits 1 when a check fails. */
#include <kelvane.h>

#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
    uint8_t stream[64];
    char text[256];
    uint32_t length = sizeof stream, size = sizeof text;
    int rc;
    if (argc != 2 || KelInitialize(argv[1]) != 0) return 1;
    const char* source = "form_begin\n  label <\"Size\">\nform_end";
    if (KelAssembleAtomStream(source, 0, stream, &length) != 0 ||
        KelDisassembleAtomStream(stream, length, 0, text, &size) != 0 ||
        strstr(text, "label <\"Size\">") == NULL)
        return 1;
    /* The error on line 3 and its text; then a line number past 32767. */
    rc = KelAssembleAtomStream("form_begin\n\nlabel <\"Size\"", 0, stream, &length);
    if (KEL_ERROR_LINE(rc) != 3 || KEL_ERROR_CODE(rc) != 8 ||
        strcmp(KelGetErrorText(KEL_ERROR_CODE(rc)), "Missing Close Bracket") != 0 ||
        KEL_ERROR_LINE((int)0x80000008u) != 32768 || KEL_ERROR_CODE(4) != 4)
        return 1;
    printf("Kelvane %d.%d.%d\n", KELVANE_VERSION_MAJOR, KELVANE_VERSION_MINOR,
           KELVANE_VERSION_PATCH);
    return KelTerminate();
}
