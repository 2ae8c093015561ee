#include "JsonWriter.h"

std::string JsonString(std::string_view text) {
    static const char kDigits[] = "0123456789abcdef";
    std::string json = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '"' || byte == '\\') {
            json += '\\';
            json += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            json += "\\u00";
            json += kDigits[byte >> 4];
            json += kDigits[byte & 0xF];
        } else {
            json += c;
        }
    }
    return json + "\"";
}

TJsonObject& TJsonObject::Member(std::string_view key, std::string_view json) {
    if (!fMembers.empty()) fMembers += ", ";
    fMembers += JsonString(key);
    fMembers += ": ";
    fMembers += json;
    return *this;
}

TJsonObject& TJsonObject::String(std::string_view key, std::string_view text) {
    return Member(key, JsonString(text));
}

TJsonObject& TJsonObject::Number(std::string_view key, int64_t number) {
    return Member(key, std::to_string(number));
}

TJsonDocument::TJsonDocument(TOutput& output) : fOutput(output) {
    fOutput.Write("{");
}

void TJsonDocument::Write(std::string_view key, std::string_view json) {
    std::string text = fFirstMember ? "\n  " : ",\n  ";
    fFirstMember = false;
    text += JsonString(key);
    text += ": ";
    text += json;
    fOutput.Write(text);
}

void TJsonDocument::Member(std::string_view key, const TJsonObject& object) {
    Write(key, object.Text());
}

void TJsonDocument::String(std::string_view key, std::string_view text) {
    Write(key, JsonString(text));
}

void TJsonDocument::Bool(std::string_view key, bool value) {
    Write(key, value ? "true" : "false");
}

void TJsonDocument::BeginArray(std::string_view key) {
    Write(key, "[");
    fFirstElement = true;
}

void TJsonDocument::Element(const TJsonObject& object) {
    fOutput.Write((fFirstElement ? "\n    " : ",\n    ") + object.Text());
    fFirstElement = false;
}

void TJsonDocument::EndArray() {
    fOutput.Write(fFirstElement ? "]" : "\n  ]");
}

void TJsonDocument::Close() {
    fOutput.Write("\n}\n");
}
