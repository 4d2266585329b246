// A small JSON writer for corvane-cli; 8-bit texts are taken as Windows-1252 and written as UTF-8.
#include "cli/json_writer.h"

#include <cstdio>

#include "platform/ansi_code_page.h"

namespace corvane {

std::string JsonQuote(const std::string& text) {
    std::string out = "\"";
    out.reserve(text.size() + 2);
    for (const char byte : text) {
        const auto c = static_cast<unsigned char>(byte);
        // Most text is plain ASCII: written as it is, without a detour through UTF-16.
        if (c >= 0x20 && c < 0x80 && c != '"' && c != '\\') {
            out += byte;
            continue;
        }
        const char16_t u = Windows1252CodePage().ToUtf16(std::string(1, byte))[0];
        if (u == '"' || u == '\\') {
            out += '\\';
            out += static_cast<char>(u);
        } else if (u < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(u));
            out += buf;
        } else if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    out += '"';
    return out;
}

void JsonWriter::Separate() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (needComma_) out_ += ',';
}

void JsonWriter::BeginObject() {
    Separate();
    out_ += '{';
    needComma_ = false;
}

void JsonWriter::EndObject() {
    out_ += '}';
    needComma_ = true;
}

void JsonWriter::BeginArray() {
    Separate();
    out_ += '[';
    needComma_ = false;
}

void JsonWriter::EndArray() {
    out_ += ']';
    needComma_ = true;
}

void JsonWriter::Key(const std::string& key) {
    Separate();
    out_ += JsonQuote(key);
    out_ += ':';
    afterKey_ = true;
}

void JsonWriter::String(const std::string& text) {
    Separate();
    out_ += JsonQuote(text);
    needComma_ = true;
}

void JsonWriter::Number(std::int64_t value) {
    Separate();
    out_ += std::to_string(value);
    needComma_ = true;
}

void JsonWriter::Bool(bool value) {
    Separate();
    out_ += value ? "true" : "false";
    needComma_ = true;
}

}  // namespace corvane
