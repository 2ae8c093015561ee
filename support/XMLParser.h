#pragma once
// TXMLParser: turns an XML document held in an LStream into a tree of TXMLNodes.
//
// A small, strict parser for the tool's own sources: it keeps elements, attributes and
// character data, and skips the declaration, processing instructions, comments and a DOCTYPE.
// Parse reports failure as a number from 1 to 7 and leaves the stream just past the last byte
// it consumed. It reads straight from the memory of an LDynamicStream; any other stream is
// first copied into one, with the same positions.

#include "XMLNode.h"

#include <cstdint>
#include <memory>

class LDynamicStream;
class LStream;
class TXMLCursor;

class TXMLParser {
public:
    // The results of Parse.
    enum : uint32_t {
        xmlSuccess = 0,
        xmlFailed = 1,         // input ends inside a construct, bad reference, "/" without ">",
                               // repeated attribute, allocation failure
        xmlBadEndTag = 2,      // an end tag's name not followed directly by ">"
        xmlSyntax = 3,         // anything else that is not XML of this parser's subset
        xmlConditional = 4,    // <![INCLUDE[ or <![IGNORE[
        xmlSecondRoot = 5,     // a second top-level element
        xmlEndTagMismatch = 6, // an end tag that does not close the innermost open element
        xmlDoubleHyphen = 7,   // "--" inside a comment not followed by ">"
    };

    TXMLParser() = default;
    TXMLParser(const TXMLParser&) = delete;
    TXMLParser& operator=(const TXMLParser&) = delete;
    // Destroys the tree.
    virtual ~TXMLParser();

    // Parses the document that starts at the stream's position; returns 0 or an error number
    // and never throws. After a failure the parser may hold a partial tree. A parser parses
    // one document: a second Parse fails with 5 at its first top-level element.
    virtual uint32_t Parse(LStream& stream);

    // The top-level element, owned by the parser; null until one has been read.
    TXMLNode* GetRoot() const { return fRoot.get(); }

protected:
    // The steps of Parse, for derived parsers. Each is given the stream being parsed,
    // positioned just past what the comment names, must leave it past what it consumed, and
    // must not write to it. Failures are thrown as TTolvExceptions carrying a result number.

    // Reads a start tag whose name begins at the position; returns the new node (caller owns).
    virtual TXMLNode* ParseElement(LStream& stream);
    // Called after an end tag has closed `node`; does nothing here.
    virtual void EndElement(LStream& stream, TXMLNode* node);
    // After "<!--".
    virtual void SkipComment(LStream& stream);
    // After "<?".
    virtual void SkipProcessingInstruction(LStream& stream);
    // After "<![CDATA["; appends the section's bytes unchanged to `node`.
    virtual void ReadCData(LStream& stream, TXMLNode* node);
    // After "<!DOCTYPE"; skips up to the ">" that balances the declaration's own "<".
    virtual void SkipDoctype(LStream& stream);

private:
    uint32_t ParseMemory(LDynamicStream& stream);
    void ParseDocument(LStream& stream);
    void ParseMarkup(LStream& stream, TXMLCursor& in);
    void ParseDeclaration(LStream& stream, TXMLCursor& in);
    void OpenElement(LStream& stream, TXMLCursor& in);
    void CloseElement(LStream& stream, TXMLCursor& in);
    void AppendText(TXMLCursor& in);
    // A cursor for a step; the stream must be the one being parsed.
    TXMLCursor Cursor(LStream& stream);

    std::unique_ptr<TXMLNode> fRoot;
    // The stream being parsed and its bytes, while Parse runs.
    LStream* fStream = nullptr;
    const uint8_t* fData = nullptr;
    int32_t fSize = 0;
    // The innermost open element, and whether whitespace was dropped since data was last
    // appended (then one space joins the next text run to data the element already holds).
    TXMLNode* fCurrent = nullptr;
    bool fSpaceSkipped = false;
};
