// Checks of the symbol number field.
#include "dialogs/symbol_number.h"

#include <QLineEdit>
#include <cmath>

#include "dialogs/number_text.h"
#include "storage/map_store.h"
#include "storage/messages.h"

namespace zelk {

std::optional<int> CheckSymbolNumber(const std::string& text, MessageSink& sink,
                                     const std::function<bool(int)>& taken) {
  std::string t = text;
  // Symbol numbers are also typed with a decimal comma.
  for (char& c : t)
    if (c == ',') c = '.';
  const RealText number = ReadRealText(t);
  if (!number.isNumber) {
    sink.Error("Symbol number not correct.");
    return std::nullopt;
  }
  if (!(number.value > 0.09 && number.value < 999.91)) {
    sink.Error("Symbol no. must be between 0.1 and 999.9");
    return std::nullopt;
  }
  const int stored = static_cast<int>(std::nearbyint(number.value * 10));
  if (taken && taken(stored)) {
    sink.Error("Symbol number already exists.");
    return std::nullopt;
  }
  return stored;
}

std::optional<int> ValidateSymbolNumber(QLineEdit* field, MessageSink& sink, const MapStore* store,
                                        int editedPlace) {
  std::function<bool(int)> taken;
  if (store) {
    taken = [store, editedPlace](int stored) {
      for (int place = 0; place < store->SymbolCount(); ++place)
        if (place != editedPlace && store->Symbol(place).Number() == stored) return true;
      return false;
    };
  }
  const auto stored = CheckSymbolNumber(field->text().toStdString(), sink, taken);
  if (!stored) {
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
  }
  return stored;
}

}  // namespace zelk
