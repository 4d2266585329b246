// A small JSON writer for corvane-cli; texts are UTF-8, a stray byte is taken as Windows-1252.
#include "cli/json_writer.h"

#include <cstdio>

#include "platform/utf8.h"

namespace corvane {

std::string JsonQuote(const std::string& text) {
    std::string out = "\"";
    out.reserve(text.size() + 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        // Most text is plain ASCII: written as it is.
        if (c >= 0x20 && c < 0x80 && c != '"' && c != '\\') {
            out += text[i];
            continue;
        }
        if (c >= 0x80) {
            const std::size_t len = Utf8CharLength(text, i);
            // A byte that starts no UTF-8 character is read as Windows-1252, as 8-bit text was before.
            out += len > 0 ? text.substr(i, len) : Windows1252ToUtf8(text.substr(i, 1));
            if (len > 0) i += len - 1;
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
            out += buf;
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
