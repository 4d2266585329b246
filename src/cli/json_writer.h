// A small JSON writer for corvane-cli; 8-bit texts are taken as Windows-1252 and written as UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

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
    // A key with its value: a text, a truth value or any whole number.
    void Field(const std::string& key, const std::string& text) {
        Key(key);
        String(text);
    }
    template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>>
    void Field(const std::string& key, T value) {
        Key(key);
        if constexpr (std::is_same_v<T, bool>)
            Bool(value);
        else
            Number(static_cast<std::int64_t>(value));
    }

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
