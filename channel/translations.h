#pragma once

#include <string>
#include <string_view>
#include <vector>

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
// commas and semicolons; they come in their order, without repeats.
std::vector<std::string> DefinitionTranslations(std::string_view definition);

// Appends to the list the translations it does not hold yet, in order.
void AddTranslations(std::vector<std::string>& list, const std::vector<std::string>& more);

}  // namespace zelmo
