#pragma once
// TXMLParser: turns an XML document held in an LStream into a tree of TXMLNodes.
//
// A small, strict parser for the tool's own sources: it keeps elements, attributes and
// character data, and skips the declaration, processing instructions, comments and a DOCTYPE.
// Parse reports failure as a number from 1 to 7, leaves the stream just past the last byte it
// consumed and describes the failure in words. It reads a memory stream (LDynamicStream) in
// place and any other stream through a window (see XMLCursor.h), so that a derived parser
// that frees each element once it is done with it (EndElement, Recycle) parses a document of
// any size in memory bounded by its largest element.

#include "XMLCursor.h"
#include "XMLNode.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class LStream;

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

    // The window through which a stream other than a memory stream is read, in bytes.
    static constexpr uint32_t kWindowBytes = 256 * 1024;

    // Without `keepText` character data is checked but not kept: elements hold only the data
    // of their CDATA sections (their data offsets are set all the same), for a pass that only
    // looks for errors. Nodes come from `pool` and go back to it (from a pool of the parser's
    // own when it is null), so that parsers that run one after another reuse each other's.
    explicit TXMLParser(uint32_t windowBytes = kWindowBytes, bool keepText = true,
                        TXMLNodePool* pool = nullptr)
        : fPool(pool ? *pool : fOwnPool), fWindowBytes(windowBytes), fKeepText(keepText) {}
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
    // The innermost element still open where Parse stopped (null when none was open). After
    // a successful Parse, open elements mean that the input ended inside them.
    TXMLNode* GetOpenElement() const { return fCurrent; }
    // After a failed Parse: what the parser expected or found where it stopped, in words.
    const std::string& GetErrorText() const { return fErrorText; }

protected:
    // The steps of Parse, for derived parsers. Each is given the stream being parsed,
    // positioned just past what the comment names, must leave it past what it consumed, and
    // must not write to it. Failures are thrown as TTolvExceptions carrying a result number.

    // Reads a start tag whose name begins at the position; returns the new node (caller owns).
    virtual TXMLNode* ParseElement(LStream& stream);
    // Called when `node` is complete: after an end tag has closed it, or after its start tag
    // when it was written as an empty element. Does nothing here.
    virtual void EndElement(LStream& stream, TXMLNode* node);
    // After "<!--".
    virtual void SkipComment(LStream& stream);
    // After "<?".
    virtual void SkipProcessingInstruction(LStream& stream);
    // After "<![CDATA["; appends the section's bytes unchanged to `node`.
    virtual void ReadCData(LStream& stream, TXMLNode* node);
    // After "<!DOCTYPE"; skips up to the ">" that balances the declaration's own "<".
    virtual void SkipDoctype(LStream& stream);

    // Unlinks `node`, a complete element other than the root, and keeps it with its subtree
    // for reuse by later elements: a derived parser that is done with an element frees it so.
    void Recycle(TXMLNode* node);

private:
    void ParseDocument(LStream& stream);
    void ParseMarkup(LStream& stream, TXMLCursor& in);
    void ParseDeclaration(LStream& stream, TXMLCursor& in);
    void ReadCDataSection(LStream& stream, TXMLCursor& in);
    void OpenElement(LStream& stream, TXMLCursor& in);
    void CloseElement(LStream& stream, TXMLCursor& in);
    void AppendText(TXMLCursor& in);
    void CheckText(TXMLCursor& in);
    void ReadAttributes(TXMLCursor& in, TXMLNode& node);
    void ReadAttribute(TXMLCursor& in, TXMLNode& node);
    // Fails with 1 at the end of the first attribute whose name an earlier one has.
    void FailOnRepeatedAttribute(TXMLCursor& in, TXMLNode& node);
    // DecodeEntities on `text` from `from` on, failing with 1 and a description.
    void DecodeReferences(std::string& text, size_t from);
    [[noreturn]] void Fail(uint32_t code, std::string text);
    // A cursor for a step; the stream must be the one being parsed.
    TXMLCursor Cursor(LStream& stream);

    std::unique_ptr<TXMLNode> fRoot;
    TXMLNodePool fOwnPool;
    TXMLNodePool& fPool;
    uint32_t fWindowBytes;
    bool fKeepText;
    // The stream being parsed and the bytes of it in view, while Parse runs.
    LStream* fStream = nullptr;
    TXMLWindow fWindow;
    // The innermost open element, and whether whitespace was dropped since data was last
    // appended (then one space joins the next text run to data the element already holds).
    TXMLNode* fCurrent = nullptr;
    bool fSpaceSkipped = false;
    // The construct being read, for the description of an input that ends inside it.
    const char* fInside = "";
    std::string fErrorText;
    // Scratch kept between elements: the attribute being read, the end offset of each
    // attribute of the tag, the order of a sort, text that is checked but not kept.
    std::string fAttributeName, fAttributeValue, fCheckedText;
    std::vector<int32_t> fAttributeEnds;
    std::vector<uint32_t> fOrder;
};
