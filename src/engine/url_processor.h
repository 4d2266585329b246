// Deciding, for every URL found, whether a change is queued and of which kind.
#pragma once

#include <cstdint>
#include <string>

#include "engine/engine_context.h"
#include "engine/text_search.h"

namespace corvane {

// Classifies the URL whose value starts at valuePos and queues what it needs.
// tagPos: the tag's '<', -1 for script text, -2 for a style-sheet url( argument.
// Returns 1 when a record was committed, 0 when not, -1 when the user stopped.
int ProcessUrl(EngineContext& ctx, const Text& text, std::uint32_t file, std::int32_t tagPos,
               std::int32_t valuePos, bool isAttributeValue);

struct FoundUrl;

// The same for a URL whose span the caller measured (raw is the URL as written; empty: nothing).
// kind tells the rewrite how a deletion is written (LinkKind).
int ProcessUrlSpan(EngineContext& ctx, const Text& text, std::uint32_t file, std::int32_t tagPos, std::int32_t valuePos,
                   std::int32_t spanLen, std::int32_t quoteLen, const std::string& raw, bool isAttributeValue,
                   std::uint8_t kind);
int ProcessFoundUrl(EngineContext& ctx, const Text& text, std::uint32_t file, const FoundUrl& found);

// What a page's <base href> makes of its relative URLs (href as written; none when it names no
// folder: javascript:, another protocol, empty).
PageBase ResolvePageBase(const EngineContext& ctx, std::uint32_t file, const std::string& href);
PageBase ResolvePageBase(const SearchOptions& search, const std::string& rootPath, const std::string& page,
                         const std::string& href);

// Queues the canonical form of url when it has unsafe characters. 1 when committed.
// asWritten, when given, is the value as it stands in the file: the canonical form is made
// from it, so that decoded escapes are not escaped again with another meaning.
int AddCanonicalRecord(EngineContext& ctx, const std::string& url, std::uint32_t file,
                       std::int32_t tagPos, std::int32_t valuePos, const std::string* asWritten = nullptr);

}  // namespace corvane
