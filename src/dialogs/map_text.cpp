// Map texts to Qt strings and back through the code page conversion of the storage layer.
#include "dialogs/map_text.h"

#include "storage/text_format.h"

namespace zelk {

QString MapTextToQt(const std::string& text) {
  return QString::fromStdU32String(Cp1252ToUnicode(text));
}

std::string QtToMapText(const QString& text) {
  return Utf8ToCp1252(text.toStdString());
}

}  // namespace zelk
