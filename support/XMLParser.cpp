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

// A run of character data from its first byte (already consumed) up to the next "<". Where
// whitespace was skipped since the last run and the element already holds data, one space
// joins the two.
void AppendText(TXMLCursor& in, TXMLNode* current, bool& spaceSkipped) {
    if (current == nullptr) throw TTolvException(TXMLParser::xmlSyntax);
    in.PutBack();
    std::string_view text = in.ReadUntil('<');
    std::string decoded;
    if (text.find('&') != std::string_view::npos) {
        decoded.assign(text);
        DecodeEntities(decoded);
        text = decoded;
    }
    if (spaceSkipped && current->GetDataLength() > 0) current->AppendData(" ", 1);
    current->AppendData(text.data(), uint32_t(text.size()));
    spaceSkipped = false;
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
    return result;
}

TXMLCursor TXMLParser::Cursor(LStream& stream) {
    ThrowUnless(&stream == fStream);
    return TXMLCursor(stream, fData, fSize);
}

void TXMLParser::ParseDocument(LStream& stream) {
    TXMLCursor in = Cursor(stream);
    if (!in.AtDeclaration()) throw TTolvException(xmlSyntax);
    TXMLNode* current = nullptr; // the innermost open element
    bool spaceSkipped = false;
    while (!in.AtEnd()) {
        if (in.Next() == '<')
            current = ParseMarkup(stream, in, current);
        else
            AppendText(in, current, spaceSkipped);
        if (in.SkipWhitespace()) spaceSkipped = true;
    }
}

// After "<": returns the innermost open element once the construct has been read.
TXMLNode* TXMLParser::ParseMarkup(LStream& stream, TXMLCursor& in, TXMLNode* current) {
    uint8_t c = in.Next();
    switch (c) {
    case '?':
        Handover(in, [&] { SkipProcessingInstruction(stream); });
        return current;
    case '!':
        ParseDeclaration(stream, in, current);
        return current;
    case '/':
        return CloseElement(stream, in, current);
    default:
        if (!TXMLCursor::IsNameStart(c)) throw TTolvException(xmlSyntax);
        in.PutBack();
        return OpenElement(stream, in, current);
    }
}

// After "<!": a comment, a CDATA section, a DOCTYPE; conditional sections are refused.
void TXMLParser::ParseDeclaration(LStream& stream, TXMLCursor& in, TXMLNode* current) {
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
            if (current == nullptr) throw TTolvException(xmlSyntax);
            Handover(in, [&] { ReadCData(stream, current); });
        } else if (word == "INCLUD") {
            throw TTolvException(in.Take(2) == "E[" ? xmlConditional : xmlSyntax);
        } else {
            throw TTolvException(word == "IGNORE" && in.Next() == '[' ? xmlConditional : xmlSyntax);
        }
    } else {
        throw TTolvException(xmlSyntax);
    }
}

TXMLNode* TXMLParser::OpenElement(LStream& stream, TXMLCursor& in, TXMLNode* current) {
    std::unique_ptr<TXMLNode> node;
    Handover(in, [&] { node.reset(ParseElement(stream)); });
    ThrowUnless(node != nullptr, errNilPointer);
    TXMLNode* added = node.get();
    if (current != nullptr) {
        current->AddChild(added);
        node.release();
    } else if (fRoot == nullptr) {
        fRoot = std::move(node);
    } else {
        throw TTolvException(xmlSecondRoot);
    }
    return added->IsEmpty() ? current : added;
}

TXMLNode* TXMLParser::CloseElement(LStream& stream, TXMLCursor& in, TXMLNode* current) {
    std::string_view name = in.ReadName();
    if (current == nullptr || name != current->GetName()) throw TTolvException(xmlEndTagMismatch);
    in.Expect('>', xmlBadEndTag);
    Handover(in, [&] { EndElement(stream, current); });
    return current->parent;
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
