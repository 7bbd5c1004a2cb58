// The symbol number field of the symbol dialogs: syntax, range and uniqueness.
#pragma once

#include <functional>
#include <optional>
#include <string>

class QLineEdit;

namespace zelk {

class MapStore;
class MessageSink;

// Returns the stored number (ten times the number shown, 101.5 -> 1015), or nothing after
// showing why the text is refused. `taken` answers whether another symbol already has a
// stored number; without it numbers are not checked for uniqueness.
std::optional<int> CheckSymbolNumber(const std::string& text, MessageSink& sink,
                                     const std::function<bool(int stored)>& taken = {});

// The same for a field of a dialog; a refused field keeps the focus. With a store, the number
// must not belong to any of its symbols except the one at `editedPlace` (-1 for a new symbol).
std::optional<int> ValidateSymbolNumber(QLineEdit* field, MessageSink& sink,
                                        const MapStore* store = nullptr, int editedPlace = -1);

}  // namespace zelk
