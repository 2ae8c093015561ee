#include "XMLParser.h"

#include "DynamicStream.h"
#include "Entities.h"
#include "Exception.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <utility>

namespace {

// Runs a step that reads the stream itself: the stream holds the position meanwhile.
template <typename Step> void Handover(TXMLCursor& in, Step step) {
    in.Release();
    step();
    in.Reload();
}

// `text` for a message: at most `limit` bytes (then "..."), control bytes shown as "?".
std::string Shown(std::string_view text, size_t limit = 40) {
    std::string shown(text.substr(0, limit));
    for (char& c : shown)
        if (uint8_t(c) < 0x20 || c == 0x7F) c = '?';
    return text.size() > limit ? shown + "..." : shown;
}

std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    quoted += Shown(text);
    return quoted += '"';
}

// The words for a failure thrown without a description.
std::string Described(uint32_t code, const char* inside) {
    switch (code) {
    case errEndOfData:
        return std::string("the file ends inside ") + inside;
    case errNilPointer:
        return "out of memory";
    case TXMLParser::xmlBadEndTag:
        return "expected \">\" after the name of an end tag";
    case TXMLParser::xmlSyntax:
        return "not XML that this parser reads";
    case TXMLParser::xmlConditional:
        return "conditional sections are not supported";
    case TXMLParser::xmlSecondRoot:
        return "a second root element";
    case TXMLParser::xmlEndTagMismatch:
        return "an end tag that does not close the open element";
    case TXMLParser::xmlDoubleHyphen:
        return "\"--\" inside a comment";
    default:
        return "malformed XML";
    }
}

// The words for a reference DecodeEntities refused; `rest` starts at its "&".
std::string ReferenceProblem(uint32_t code, std::string_view rest) {
    size_t stop = rest.find_first_of("; ", 1);
    std::string_view reference = rest.substr(0, stop == std::string_view::npos ? stop : stop + 1);
    if (code == errUnterminatedEntity)
        return std::string("the reference ") + Quoted(reference) + " has no \";\"";
    if (code == errUnknownEntity) return std::string("unknown entity ") + Quoted(reference);
    return std::string("malformed reference ") + Quoted(reference);
}

} // namespace

TXMLParser::~TXMLParser() = default;

uint32_t TXMLParser::Parse(LStream& stream) {
    fErrorText.clear();
    fInside = "the document";
    uint32_t result = xmlSuccess;
    try {
        if (auto* memory = dynamic_cast<LDynamicStream*>(&stream)) {
            int64_t held = std::min<int64_t>(memory->GetSize(), memory->GetBuffer().GetLength());
            fWindow.Borrow(memory->Data(), int32_t(held));
        } else {
            fWindow.Stream(stream, stream.GetSize(), stream.GetPosition(), fWindowBytes);
        }
        fStream = &stream;
        ParseDocument(stream);
    } catch (const TTolvException& e) {
        result = (e.code >= xmlFailed && e.code <= xmlDoubleHyphen) ? e.code : xmlFailed;
        if (fErrorText.empty()) fErrorText = Described(e.code, fInside);
    } catch (const std::bad_alloc&) {
        result = xmlFailed;
        fErrorText = "out of memory";
    } catch (...) {
        result = xmlFailed;
        if (fErrorText.empty()) fErrorText = "malformed XML";
    }
    fStream = nullptr;
    return result;
}

void TXMLParser::Fail(uint32_t code, std::string text) {
    fErrorText = std::move(text);
    throw TTolvException(code);
}

TXMLCursor TXMLParser::Cursor(LStream& stream) {
    ThrowUnless(&stream == fStream);
    return TXMLCursor(stream, fWindow);
}

void TXMLParser::ParseDocument(LStream& stream) {
    TXMLCursor in = Cursor(stream);
    if (!in.AtDeclaration())
        Fail(xmlSyntax, "the file does not begin with an XML declaration (\"<?xml\")");
    fCurrent = nullptr;
    fSpaceSkipped = false;
    while (!in.AtEnd()) {
        if (in.Next() == '<')
            ParseMarkup(stream, in);
        else
            AppendText(in);
        if (in.SkipWhitespace()) fSpaceSkipped = true;
    }
}

// After "<".
void TXMLParser::ParseMarkup(LStream& stream, TXMLCursor& in) {
    fInside = "a tag";
    uint8_t c = in.Next();
    if (c == '?') {
        fInside = "a processing instruction";
        Handover(in, [&] { SkipProcessingInstruction(stream); });
    } else if (c == '!') {
        ParseDeclaration(stream, in);
    } else if (c == '/') {
        CloseElement(stream, in);
    } else if (TXMLCursor::IsNameStart(c)) {
        in.PutBack();
        OpenElement(stream, in);
    } else {
        Fail(xmlSyntax, "expected an element name, \"/\", \"?\" or \"!\" after \"<\"");
    }
}

// A run of character data from its first byte (already consumed) up to the next "<".
void TXMLParser::AppendText(TXMLCursor& in) {
    if (fCurrent == nullptr) Fail(xmlSyntax, "text outside the root element");
    in.PutBack();
    fInside = "character data";
    int32_t start = in.Position();
    if (fKeepText) {
        // The run is appended as it is read and decoded in place; a failure takes it back out.
        std::string& data = fCurrent->fData;
        size_t before = data.size();
        try {
            if (fSpaceSkipped && before > 0) data += ' ';
            size_t text = data.size();
            in.ReadUntil('<', [&](const char* bytes, size_t count) { data.append(bytes, count); });
            if (data.find('&', text) != std::string::npos) DecodeReferences(data, text);
        } catch (...) {
            data.resize(before);
            throw;
        }
    } else {
        CheckText(in);
    }
    if (fCurrent->dataOffset < 0) fCurrent->dataOffset = start;
    fSpaceSkipped = false;
}

// A run that is not kept: only the part from its first "&" on is held, to decode the
// references there (the bytes before it cannot change how they decode).
void TXMLParser::CheckText(TXMLCursor& in) {
    fCheckedText.clear();
    bool references = false;
    in.ReadUntil('<', [&](const char* bytes, size_t count) {
        if (!references) {
            const auto* ampersand = static_cast<const char*>(std::memchr(bytes, '&', count));
            if (ampersand == nullptr) return;
            references = true;
            count -= size_t(ampersand - bytes);
            bytes = ampersand;
        }
        fCheckedText.append(bytes, count);
    });
    if (references) DecodeReferences(fCheckedText, 0);
}

void TXMLParser::DecodeReferences(std::string& text, size_t from) {
    size_t failedAt = from;
    try {
        DecodeEntities(text, from, &failedAt);
    } catch (const TTolvException& e) {
        Fail(xmlFailed, ReferenceProblem(e.code, std::string_view(text).substr(failedAt)));
    }
}

// After "<!": a comment, a CDATA section, a DOCTYPE; conditional sections are refused.
void TXMLParser::ParseDeclaration(LStream& stream, TXMLCursor& in) {
    fInside = "a \"<!\" declaration";
    uint8_t c = in.Next();
    if (c == '-') {
        if (in.Next() != '-') Fail(xmlSyntax, "expected \"<!--\" to begin a comment");
        fInside = "a comment";
        Handover(in, [&] { SkipComment(stream); });
    } else if (c == 'D') {
        if (in.Take(6) != "OCTYPE") Fail(xmlSyntax, "expected \"<!DOCTYPE\"");
        fInside = "a DOCTYPE";
        Handover(in, [&] { SkipDoctype(stream); });
    } else if (c == '[') {
        ReadCDataSection(stream, in);
    } else {
        Fail(xmlSyntax, "expected a comment, a CDATA section or a DOCTYPE after \"<!\"");
    }
}

// After "<![".
void TXMLParser::ReadCDataSection(LStream& stream, TXMLCursor& in) {
    fInside = "a CDATA section";
    std::string word(in.Take(6)); // a copy: reading on may move the window
    if (word == "INCLUD" || word == "IGNORE") {
        bool conditional = word == "INCLUD" ? in.Take(2) == "E[" : in.Next() == '[';
        if (conditional) Fail(xmlConditional, "conditional sections are not supported");
    }
    if (word != "CDATA[") Fail(xmlSyntax, "expected \"<![CDATA[\"");
    if (fCurrent == nullptr) Fail(xmlSyntax, "a CDATA section outside the root element");
    uint32_t length = fCurrent->GetDataLength();
    int32_t start = in.Position();
    Handover(in, [&] { ReadCData(stream, fCurrent); });
    // Whitespace dropped before a section is not between it and the text after it.
    if (fCurrent->GetDataLength() != length) {
        fSpaceSkipped = false;
        if (fCurrent->dataOffset < 0) fCurrent->dataOffset = start;
    }
}

void TXMLParser::OpenElement(LStream& stream, TXMLCursor& in) {
    fInside = "a start tag";
    int32_t offset = in.Position() - 1; // the "<"
    std::unique_ptr<TXMLNode> node;
    Handover(in, [&] { node.reset(ParseElement(stream)); });
    ThrowUnless(node != nullptr, errNilPointer);
    node->offset = offset;
    TXMLNode* added = node.get();
    if (fCurrent != nullptr) {
        fCurrent->AddChild(added); // takes ownership only when it does not throw
        static_cast<void>(node.release());
    } else if (fRoot == nullptr) {
        fRoot = std::move(node);
    } else {
        Fail(xmlSecondRoot, std::string("a second root element <") + Shown(added->GetName()) +
                                "> after <" + Shown(fRoot->GetName()) + ">");
    }
    if (added->IsEmpty())
        Handover(in, [&] { EndElement(stream, added); });
    else
        fCurrent = added;
}

void TXMLParser::CloseElement(LStream& stream, TXMLCursor& in) {
    fInside = "an end tag";
    std::string_view name = in.ReadName();
    if (fCurrent == nullptr)
        Fail(xmlEndTagMismatch,
             std::string("the end tag </") + Shown(name) + "> closes no open element");
    if (name != fCurrent->GetName())
        Fail(xmlEndTagMismatch, std::string("the end tag </") + Shown(name) +
                                    "> does not close the open <" + Shown(fCurrent->GetName()) +
                                    ">");
    TXMLNode* closed = fCurrent;
    fCurrent = closed->parent;
    if (in.Next() != '>')
        Fail(xmlBadEndTag, std::string("expected \">\" right after </") + Shown(closed->GetName()));
    Handover(in, [&] { EndElement(stream, closed); });
}

TXMLNode* TXMLParser::ParseElement(LStream& stream) {
    TXMLCursor in = Cursor(stream);
    TXMLNode* node = fPool.Take(in.ReadName());
    try {
        ReadAttributes(in, *node);
    } catch (...) {
        fPool.Put(node);
        throw;
    }
    return node;
}

// The attributes after the element's name, through the ">" or "/>" that ends the tag. They
// are ordered once the tag is read; a repeated name fails at the end of its second occurrence
// (where a reader checking each name on arrival would stop), also when a later part of the
// tag fails first.
void TXMLParser::ReadAttributes(TXMLCursor& in, TXMLNode& node) {
    fAttributeEnds.clear();
    try {
        for (;;) {
            in.SkipWhitespace();
            uint8_t c = in.Next();
            if (c == '>') break;
            if (c == '/') {
                node.SetEmpty(true);
                if (in.Next() != '>')
                    Fail(xmlFailed, std::string("expected \">\" right after \"/\" in <") +
                                        Shown(node.GetName()));
                break;
            }
            in.PutBack();
            ReadAttribute(in, node);
            fAttributeEnds.push_back(in.Position());
        }
    } catch (...) {
        FailOnRepeatedAttribute(in, node);
        throw;
    }
    FailOnRepeatedAttribute(in, node);
}

// One attribute, from its name at the position through its closing quote.
void TXMLParser::ReadAttribute(TXMLCursor& in, TXMLNode& node) {
    std::string_view name = in.ReadName();
    if (name.empty())
        Fail(xmlSyntax, std::string("expected an attribute name, \">\" or \"/>\" in <") +
                            Shown(node.GetName()));
    fAttributeName.assign(name);
    in.SkipWhitespace();
    if (in.Next() != '=')
        Fail(xmlSyntax,
             std::string("expected \"=\" after the attribute name ") + Quoted(fAttributeName));
    in.SkipWhitespace();
    uint8_t quote = in.Next();
    if (quote != '"' && quote != '\'')
        Fail(xmlSyntax,
             std::string("expected a quoted value for the attribute ") + Quoted(fAttributeName));
    fAttributeValue.clear();
    if (!in.ReadQuoted(quote, fAttributeValue))
        Fail(xmlSyntax,
             std::string("\"<\" inside the value of the attribute ") + Quoted(fAttributeName));
    DecodeReferences(fAttributeValue, 0);
    TXMLAttributes::value_type& pair = node.attributes.Append();
    pair.first.swap(fAttributeName);
    pair.second.swap(fAttributeValue);
}

void TXMLParser::FailOnRepeatedAttribute(TXMLCursor& in, TXMLNode& node) {
    ptrdiff_t repeated = node.attributes.Sort(fOrder);
    if (repeated < 0) return;
    in.Rewind(fAttributeEnds[size_t(repeated)]);
    Fail(xmlFailed, std::string("the attribute ") +
                        Quoted((node.attributes.begin() + repeated)->first) +
                        " appears twice in <" + Shown(node.GetName()) + ">");
}

void TXMLParser::Recycle(TXMLNode* node) {
    ThrowUnless(node != nullptr && node != fRoot.get());
    fPool.Put(node);
}

void TXMLParser::EndElement(LStream&, TXMLNode*) {}

void TXMLParser::SkipComment(LStream& stream) {
    TXMLCursor in = Cursor(stream);
    in.ReadThrough("--", nullptr);
    if (in.Next() != '>') Fail(xmlDoubleHyphen, "\"--\" inside a comment");
}

void TXMLParser::SkipProcessingInstruction(LStream& stream) {
    TXMLCursor in = Cursor(stream);
    in.ReadThrough("?>", nullptr);
}

void TXMLParser::ReadCData(LStream& stream, TXMLNode* node) {
    ThrowUnless(node != nullptr && !node->IsEmpty(), errNilPointer);
    TXMLCursor in = Cursor(stream);
    // The bytes are appended as they are read; an unterminated section takes them back out.
    size_t before = node->fData.size();
    try {
        in.ReadThrough("]]>", &node->fData);
    } catch (...) {
        node->fData.resize(before);
        throw;
    }
}

void TXMLParser::SkipDoctype(LStream& stream) {
    TXMLCursor in = Cursor(stream);
    for (int64_t depth = 1; depth > 0;) {
        uint8_t c = in.Next();
        if (c == '<') ++depth;
        if (c == '>') --depth;
    }
}
