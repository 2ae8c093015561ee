#pragma once
// The JSON documents of `list -json` and `compare -json`: strings escaped so that any bytes
// survive, objects built member by member, and a document written to an output piece by piece
// (so that a list of any length never sits in memory whole).
//
// Layout: the document's members one per line, an array's elements one per line, each element
// an object on one line.

#include "OutputStream.h"

#include <cstdint>
#include <string>
#include <string_view>

// `text` as a JSON string, in double quotes: '"' and '\' escaped with a backslash, and every
// byte below 0x20, 0x7F and every byte above 127 as \u00XX (lower-case hex digits). The
// result is plain ASCII, and each of its characters stands for one byte of `text`, so a
// reader gets the bytes back by taking each character's code as a byte (Latin-1).
std::string JsonString(std::string_view text);

// One JSON object: {"key": value, ...} in the order the members were added.
class TJsonObject {
public:
    TJsonObject& String(std::string_view key, std::string_view text);
    TJsonObject& Number(std::string_view key, int64_t number);
    std::string Text() const { return "{" + fMembers + "}"; }

private:
    TJsonObject& Member(std::string_view key, std::string_view json);

    std::string fMembers;
};

// A document (one object) written to `output` as it is built: members and at most one array
// open at a time. Close writes its end; a document not closed stays incomplete (a command that
// failed half-way).
class TJsonDocument {
public:
    // Writes the opening brace.
    explicit TJsonDocument(TOutput& output);
    void Member(std::string_view key, const TJsonObject& object);
    void String(std::string_view key, std::string_view text);
    void Bool(std::string_view key, bool value);
    // A member whose value is an array; Element adds to it, EndArray closes it.
    void BeginArray(std::string_view key);
    void Element(const TJsonObject& object);
    void EndArray();
    void Close();

private:
    void Write(std::string_view key, std::string_view json);

    TOutput& fOutput;
    bool fFirstMember = true;
    bool fFirstElement = true;
};
