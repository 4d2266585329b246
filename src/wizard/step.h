// The wizard's eight steps, in the order the frame shows them; a step's index is its page's slot.
#pragma once

namespace corvane {

enum class Step : int { Welcome, FileList, SearchOptions, ProcessingOptions, Search, Review, Deletion, Apply };
constexpr int kStepCount = 8;

constexpr int StepIndex(Step step) { return static_cast<int>(step); }

}  // namespace corvane
