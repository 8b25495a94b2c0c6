#include "base/ErrorText.h"

#include "base/Ascii.h"

#include "base/CodePage.h"

#include <cctype>

namespace tavren {

std::string ErrorBoxText(std::string_view cp932Message) {
  std::string text(cp932Message);
  if (!text.empty() && static_cast<unsigned char>(text[cp932::LastCharStart(text)]) > 0x2E) text += '.';
  return text;
}

std::string ApplicationTitle(std::string_view programPath) {
  std::string_view name = programPath;
  if (auto slash = name.find_last_of('/'); slash != std::string_view::npos) name.remove_prefix(slash + 1);
  name = name.substr(0, name.find('.'));
  std::string title(name);
  for (std::size_t i = 1; i < title.size(); ++i) title[i] = ascii::Lower(title[i]);
  return title;
}

}  // namespace tavren
