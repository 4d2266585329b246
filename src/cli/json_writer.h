// A small JSON writer for corvane-cli; 8-bit texts are taken as Windows-1252 and written as UTF-8.
#pragma once

#include <cstdint>
#include <string>

namespace corvane {

class JsonWriter {
public:
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    void Key(const std::string& key);
    void String(const std::string& text);
    void Number(std::int64_t value);
    void Bool(bool value);

    const std::string& str() const { return out_; }

private:
    void Separate();
    std::string out_;
    bool needComma_ = false;
    bool afterKey_ = false;
};

// A JSON string literal (quotes included) for an 8-bit Windows-1252 text.
std::string JsonQuote(const std::string& text);

}  // namespace corvane
