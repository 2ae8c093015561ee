#include "XMLParser.h"

#include "DynamicStream.h"
#include "Entities.h"
#include "Exception.h"
#include "XMLCursor.h"

#include <algorithm>
#include <string>
#include <utility>

namespace {

// Runs a step that reads the stream itself: the stream holds the position meanwhile.
template <typename Step> void Handover(TXMLCursor& in, Step step) {
    in.Release();
    step();
    in.Reload();
}

// One attribute, from its name at the position through its closing quote.
void ReadAttribute(TXMLCursor& in, TXMLNode& node) {
    std::string_view name = in.ReadName();
    if (name.empty()) throw TTolvException(TXMLParser::xmlSyntax);
    in.SkipWhitespace();
    in.Expect('=', TXMLParser::xmlSyntax);
    in.SkipWhitespace();
    uint8_t quote = in.Next();
    if (quote != '"' && quote != '\'') throw TTolvException(TXMLParser::xmlSyntax);
    std::string value(in.ReadQuoted(quote, TXMLParser::xmlSyntax));
    DecodeEntities(value);
    node.AddAttribute(std::string(name), std::move(value));
}

} // namespace

TXMLParser::~TXMLParser() = default;

uint32_t TXMLParser::Parse(LStream& stream) {
    try {
        if (auto* memory = dynamic_cast<LDynamicStream*>(&stream)) return ParseMemory(*memory);
        // The copy holds the whole stream, so that positions in it are positions in `stream`.
        int32_t start = stream.GetPosition();
        LDynamicStream copy;
        stream.Seek(0, seekBegin);
        CopyStream(stream, copy, 0);
        copy.Seek(start, seekBegin);
        uint32_t result = ParseMemory(copy);
        stream.Seek(copy.GetPosition(), seekBegin);
        return result;
    } catch (...) {
        return xmlFailed;
    }
}

uint32_t TXMLParser::ParseMemory(LDynamicStream& stream) {
    fStream = &stream;
    fData = stream.Data();
    fSize = int32_t(std::min<int64_t>(stream.GetSize(), stream.GetBuffer().GetLength()));
    uint32_t result = xmlSuccess;
    try {
        ParseDocument(stream);
    } catch (const TTolvException& e) {
        result = (e.code >= xmlFailed && e.code <= xmlDoubleHyphen) ? e.code : xmlFailed;
    } catch (...) {
        result = xmlFailed;
    }
    fStream = nullptr;
    fData = nullptr;
    fSize = 0;
    fCurrent = nullptr;
    return result;
}

TXMLCursor TXMLParser::Cursor(LStream& stream) {
    ThrowUnless(&stream == fStream);
    return TXMLCursor(stream, fData, fSize);
}

void TXMLParser::ParseDocument(LStream& stream) {
    TXMLCursor in = Cursor(stream);
    if (!in.AtDeclaration()) throw TTolvException(xmlSyntax);
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
    uint8_t c = in.Next();
    if (c == '?') {
        Handover(in, [&] { SkipProcessingInstruction(stream); });
    } else if (c == '!') {
        ParseDeclaration(stream, in);
    } else if (c == '/') {
        CloseElement(stream, in);
    } else if (TXMLCursor::IsNameStart(c)) {
        in.PutBack();
        OpenElement(stream, in);
    } else {
        throw TTolvException(xmlSyntax);
    }
}

// A run of character data from its first byte (already consumed) up to the next "<".
void TXMLParser::AppendText(TXMLCursor& in) {
    if (fCurrent == nullptr) throw TTolvException(xmlSyntax);
    in.PutBack();
    std::string_view text = in.ReadUntil('<');
    std::string decoded;
    if (text.find('&') != std::string_view::npos) {
        decoded.assign(text);
        DecodeEntities(decoded);
        text = decoded;
    }
    if (fSpaceSkipped && fCurrent->GetDataLength() > 0) fCurrent->AppendData(" ", 1);
    fCurrent->AppendData(text.data(), uint32_t(text.size()));
    fSpaceSkipped = false;
}

// After "<!": a comment, a CDATA section, a DOCTYPE; conditional sections are refused.
void TXMLParser::ParseDeclaration(LStream& stream, TXMLCursor& in) {
    uint8_t c = in.Next();
    if (c == '-') {
        in.Expect('-', xmlSyntax);
        Handover(in, [&] { SkipComment(stream); });
    } else if (c == 'D') {
        if (in.Take(6) != "OCTYPE") throw TTolvException(xmlSyntax);
        Handover(in, [&] { SkipDoctype(stream); });
    } else if (c == '[') {
        std::string_view word = in.Take(6);
        if (word == "CDATA[") {
            if (fCurrent == nullptr) throw TTolvException(xmlSyntax);
            uint32_t length = fCurrent->GetDataLength();
            Handover(in, [&] { ReadCData(stream, fCurrent); });
            // Whitespace dropped before a section is not between it and the text after it.
            if (fCurrent->GetDataLength() != length) fSpaceSkipped = false;
        } else if (word == "INCLUD") {
            throw TTolvException(in.Take(2) == "E[" ? xmlConditional : xmlSyntax);
        } else {
            throw TTolvException(word == "IGNORE" && in.Next() == '[' ? xmlConditional : xmlSyntax);
        }
    } else {
        throw TTolvException(xmlSyntax);
    }
}

void TXMLParser::OpenElement(LStream& stream, TXMLCursor& in) {
    std::unique_ptr<TXMLNode> node;
    Handover(in, [&] { node.reset(ParseElement(stream)); });
    ThrowUnless(node != nullptr, errNilPointer);
    TXMLNode* added = node.get();
    if (fCurrent != nullptr) {
        fCurrent->AddChild(added); // takes ownership only when it does not throw
        static_cast<void>(node.release());
    } else if (fRoot == nullptr) {
        fRoot = std::move(node);
    } else {
        throw TTolvException(xmlSecondRoot);
    }
    if (!added->IsEmpty()) fCurrent = added;
}

void TXMLParser::CloseElement(LStream& stream, TXMLCursor& in) {
    std::string_view name = in.ReadName();
    if (fCurrent == nullptr || name != fCurrent->GetName()) throw TTolvException(xmlEndTagMismatch);
    TXMLNode* closed = fCurrent;
    fCurrent = closed->parent;
    in.Expect('>', xmlBadEndTag);
    Handover(in, [&] { EndElement(stream, closed); });
}

TXMLNode* TXMLParser::ParseElement(LStream& stream) {
    TXMLCursor in = Cursor(stream);
    auto node = std::make_unique<TXMLNode>(std::string(in.ReadName()));
    for (;;) {
        in.SkipWhitespace();
        uint8_t c = in.Next();
        if (c == '>') return node.release();
        if (c == '/') {
            node->SetEmpty(true);
            in.Expect('>', errAssert);
            return node.release();
        }
        in.PutBack();
        ReadAttribute(in, *node);
    }
}

void TXMLParser::EndElement(LStream&, TXMLNode*) {}

void TXMLParser::SkipComment(LStream& stream) {
    TXMLCursor in = Cursor(stream);
    in.ReadThrough("--");
    in.Expect('>', xmlDoubleHyphen);
}

void TXMLParser::SkipProcessingInstruction(LStream& stream) {
    TXMLCursor in = Cursor(stream);
    in.ReadThrough("?>");
}

void TXMLParser::ReadCData(LStream& stream, TXMLNode* node) {
    ThrowUnless(node != nullptr, errNilPointer);
    TXMLCursor in = Cursor(stream);
    std::string_view data = in.ReadThrough("]]>");
    node->AppendData(data.data(), uint32_t(data.size()));
}

void TXMLParser::SkipDoctype(LStream& stream) {
    TXMLCursor in = Cursor(stream);
    for (int64_t depth = 1; depth > 0;) {
        uint8_t c = in.Next();
        if (c == '<') ++depth;
        if (c == '>') --depth;
    }
}
