# The reference for the XML parser's differential test (XMLParserTest.cpp): a conforming XML
# parser (expat, from Python's standard library) with the tool parser's character-data rules
# on top of its events: a run of character data between two pieces of markup loses its
# leading whitespace, and one space joins it to earlier data of the element when whitespace
# was dropped since data was last appended; CDATA is kept whole. Prints the tree of each file
# named on the command line as the test's Canonical() does.
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
        (stack[-1][3] if stack else out).append(node)
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
    parser = xml.parsers.expat.ParserCreate('ISO-8859-1')
    parser.StartElementHandler, parser.EndElementHandler = start, end
    parser.CharacterDataHandler = characters
    parser.StartCdataSectionHandler = lambda: cdata(True)
    parser.EndCdataSectionHandler = lambda: cdata(False)
    parser.CommentHandler = parser.ProcessingInstructionHandler = flush
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

for name in sys.argv[1:]:
    with open(name, 'rb') as f:
        sys.stdout.write(canonical(f.read()))
