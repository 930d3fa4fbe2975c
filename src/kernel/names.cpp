#include "kernel/names.h"

#include "kernel/utf8text.h"

namespace rowsmith {
namespace {

constexpr std::string_view kUnknownName = "NN";

// Text after the first occurrence of c; empty when c does not occur.
std::string_view after(std::string_view text, char c) {
  const size_t at = text.find(c);
  return at == std::string_view::npos ? std::string_view() : text.substr(at + 1);
}

// Text before the first occurrence of c; empty when c does not occur.
std::string_view before(std::string_view text, char c) {
  const size_t at = text.find(c);
  return at == std::string_view::npos ? std::string_view() : text.substr(0, at);
}

std::string surnameFrom(std::string_view nameValue) {
  if (nameValue.empty()) return std::string(kUnknownName);
  const std::string_view between = before(after(nameValue, '/'), '/');
  if (!between.empty()) return std::string(between);
  // "Anna //", "Jacob // Israel": an empty surname, wherever it stands.
  if (nameValue.find("//") != std::string_view::npos) return std::string();
  return std::string(nameValue);
}

std::string givenFrom(std::string_view nameValue) {
  if (nameValue.empty()) return std::string();
  const std::string_view head = before(nameValue, '/');
  if (!head.empty()) return std::string(head);  // trimmed by the person record
  // Without any "/" the whole value is the surname; nothing is left as given
  // names.
  if (nameValue.find('/') == std::string_view::npos) return std::string();
  const std::string_view rest = trimView(after(nameValue.substr(1), '/'));
  return rest.empty() ? std::string(kUnknownName) : std::string(rest);
}

}  // namespace

std::string surnameWithPrefix(std::string_view prefix, std::string_view surname) {
  prefix = trimView(prefix);
  if (prefix.empty() || surname.empty() || surname.starts_with(prefix)) return std::string(surname);
  std::string out(prefix);
  // "d'" and "l'" join their surname directly.
  if (!out.ends_with('\'') && !out.ends_with("\u2019")) out += ' ';
  return out.append(surname);
}

SplitName SplitGedComName(std::string_view surname, std::string_view given,
                          std::string_view nameValue) {
  SplitName out;
  out.surname = surname.empty() ? surnameFrom(nameValue) : std::string(surname);
  out.given = given.empty() ? givenFrom(nameValue) : std::string(given);
  return out;
}

}  // namespace rowsmith
