#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "channel/lookup_bounds.h"

namespace zelmo {

// The translations in one definition as the FreeDict dictionaries give it
// over DICT:
//
//   talo /tˈalo/ <n>                       the headword line
//   house, home                            the translations of the sense
//   yleensä ihmisten asumista varten ...   explanations, in the word's
//                                          own language
// or, with several senses, numbered from 1:
//   1. Aries                               the translations of sense 1
//   eläinradan tähdistö ...                its explanation
//   2. Aries, Ram                          sense 2 ...
//
// Each sense has one line of translations: the rest of its numbered line, or
// the first line after the headword when the senses are not numbered. Every
// other line is an explanation, as is the line after a bare " 3." that
// numbers a further explanation of the same sense (a blank and "2." at the
// end of a translation line number the first). Translations are separated by
// commas and semicolons; they come in their order, without repeats, at most
// kMaxTranslations of them.
std::vector<std::string> DefinitionTranslations(std::string_view definition);

// Translations in the order they came, each once, at most a number of them.
// A repeat is found by hashing, so a long answer costs time in step with its
// length.
class TranslationList {
 public:
  explicit TranslationList(std::size_t capacity = kMaxTranslations) : capacity_(capacity) {}

  // Adds a translation that is not held yet while there is room; one that
  // finds the list full marks it cut.
  void Add(std::string_view translation);
  void AddAll(const std::vector<std::string>& translations);
  // Whether a new translation was left out for want of room.
  bool Cut() const { return cut_; }
  const std::vector<std::string>& Items() const { return items_; }
  std::vector<std::string> Take() { return std::move(items_); }

 private:
  std::size_t capacity_;
  bool cut_ = false;
  std::vector<std::string> items_;
  std::unordered_set<std::string> seen_;
};

}  // namespace zelmo
