#include "report/form_fields.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "report/screen.h"

namespace kvom::report {

namespace {

constexpr std::int32_t kColumns = static_cast<std::int32_t>(kFormColumns);
constexpr std::int32_t kGridCells = static_cast<std::int32_t>(kFormGridCells);
constexpr std::int32_t kBackScanCells = 1680;   // the backward scan takes in cell 1679 too
constexpr std::int32_t kCollectedCells = 1915;  // cells whose fields are collected
constexpr std::int32_t kKeyRowsEnd = 1840;      // the first 23 rows
constexpr std::int32_t kChoiceRowsEnd = 1600;   // the first 20 rows
constexpr std::int32_t kMessageAttribute = 15;
constexpr std::int8_t kFieldCellAttribute = 5;
constexpr std::int8_t kShadedAttribute = 7;
constexpr char kCollectedEnd = '\x19';

bool isFieldMark(char c) { return c == '#' || c == '@'; }

std::int32_t wrap(std::int32_t value, std::int32_t modulus) { return (value % modulus + modulus) % modulus; }

char at(FormCells grid, std::int32_t cell) {
  return cell >= 0 && cell < kGridCells ? grid[static_cast<std::size_t>(cell)] : ' ';
}

bool isField(FormCells formTemplate, std::int32_t cell) { return isFieldMark(at(formTemplate, cell)); }

// A letter of a command of three letters; a blank where the command is shorter.
char commandLetter(const char* command, std::size_t index) {
  if (command == nullptr) return ' ';
  for (std::size_t i = 0; i <= index; ++i) {
    if (command[i] == '\0') return ' ';
  }
  return command[index];
}

// The fields in order, as start and end cells. A field at cell 0 counts as the first field.
class FieldWalk {
 public:
  explicit FieldWalk(FormCells formTemplate) : template_(formTemplate) {}
  bool next(std::int32_t& start, std::int32_t& end) {
    if (done_) return false;
    std::int32_t s = 0;
    if (first_ && isField(template_, 0)) {
      s = 0;
    } else {
      s = NextField(p_, template_);
      if (s <= p_) return stop();
    }
    first_ = false;
    const std::int32_t e = NextField(s, template_);
    if (e < s) return stop();
    // The next search starts at the cell after the field, so that a field one cell after this
    // one is found by its start.
    p_ = e;
    start = s;
    end = e;
    return true;
  }

 private:
  bool stop() {
    done_ = true;
    return false;
  }
  FormCells template_;
  std::int32_t p_ = 0;
  bool first_ = true;
  bool done_ = false;
};

std::int8_t rowAttribute(char type) {
  switch (type) {
    case '\'':
    case 'G':
    case 'g':
      return 2;
    case '0':
    case '1':
    case '7':
    case 'W':
    case 'w':
    case 'x':
      return 1;
    case '2':
    case 'R':
    case 'r':
      return 3;
    case '9':
    case 'Y':
    case 'y':
      return 4;
    case 'X':
      return 3;
    case 'u':
      return 117;
    case 'v':
      return 118;
    default:
      return 0;
  }
}

// The number (1 to 13) of the first option that is one of the letters; 0 when none is.
std::int32_t firstOption(std::span<const char, kFormOptionCount> options, std::string_view letters) {
  for (std::size_t k = 0; k < options.size(); ++k) {
    if (letters.find(options[k]) != std::string_view::npos) return static_cast<std::int32_t>(k) + 1;
  }
  return 0;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Writes the choice that stands in the text at the cell into the field before it, when there is
// one: the nearest text in the row after the field's cell, up to its first blank or "=".
bool enterChoice(FormCells formTemplate, std::span<char, kFormGridCells> text, FormAttributes attributes,
                 std::int32_t c) {
  std::int32_t f = std::min(c, kGridCells - 1);
  while (f >= 0 && !isField(formTemplate, f)) --f;
  if (!(f > 0 && f + 1 < c && c < kChoiceRowsEnd)) return false;
  std::int32_t s = f;
  while (s > 0 && isField(formTemplate, s - 1)) --s;
  const FormCells shown(text);

  // The nearest text in c's row; the right one only when strictly nearer.
  const std::int32_t rowStart = c - c % kColumns;
  const std::int32_t rowEnd = rowStart + kColumns - 1;
  const auto isText = [&](std::int32_t q) { return at(shown, q) != ' ' && at(shown, q) != '*'; };
  std::int32_t right = -1;
  for (std::int32_t q = c; q <= rowEnd; ++q) {
    if (isText(q)) {
      right = q;
      break;
    }
  }
  std::int32_t left = -1;
  for (std::int32_t q = c; q >= rowStart; --q) {
    if (isText(q)) {
      left = q;
      break;
    }
  }
  std::int32_t t = c;
  if (right >= 0 && left >= 0) {
    t = right - c < c - left ? right : left;
  } else if (right >= 0) {
    t = right;
  } else if (left >= 0) {
    t = left;
  }

  // The start of the choice: after a blank that follows a blank or "*", or the row's first cell.
  std::int32_t choice = t;
  std::int32_t q = t;
  for (;; --q) {
    if (q == f) return false;
    if (q == rowStart) {
      choice = at(shown, q) == ' ' ? q + 1 : q;
      break;
    }
    if (at(shown, q) == ' ' && (at(shown, q - 1) == ' ' || at(shown, q - 1) == '*')) {
      choice = q + 1;
      break;
    }
  }
  if (q == t) return false;

  // A long stretch of blanks between the field and the click separates them.
  std::int32_t blanks = 0;
  for (std::int32_t q = f + 1; q < c; ++q) {
    const char ch = at(shown, q);
    blanks = ch == ' ' || ch == '\0' ? blanks + 1 : 0;
    if (blanks >= kColumns) return false;
  }

  const std::int32_t end = NextField(s, formTemplate);
  const std::int32_t length = end > s ? end - s : 0;
  const auto ends = [&](std::int32_t i) {
    const char ch = at(shown, choice + i);
    return choice + i >= kGridCells || ch == ' ' || ch == '=';
  };
  if (at(formTemplate, s) == '#') {
    for (std::int32_t i = 0; i < length && !ends(i); ++i) {
      const char ch = at(shown, choice + i);
      if (!isDigit(ch) && ch != '-' && ch != '.' && ch != 'E' && ch != 'e') return false;
    }
  }

  std::array<char, kFormGridCells> entry{};
  bool ended = false;
  for (std::int32_t i = 0; i < length; ++i) {
    ended = ended || ends(i);
    entry[static_cast<std::size_t>(i)] = ended ? ' ' : at(shown, choice + i);
  }
  for (std::int32_t i = 0; i < length && s + i < kGridCells; ++i) {
    const auto cell = static_cast<std::size_t>(s + i);
    text[cell] = entry[static_cast<std::size_t>(i)];
    PutCell(text[cell], attributes[cell], s + i);
  }
  return true;
}

}  // namespace

std::int32_t NextField(std::int32_t cell, FormCells formTemplate) {
  const std::int32_t p = wrap(cell, kFieldScanCells);
  const bool inField = isField(formTemplate, p);
  for (std::int32_t i = 0; i < kFieldScanCells; ++i) {
    const std::int32_t q = (p + i) % kFieldScanCells;
    if (isField(formTemplate, q) != inField) return q;
  }
  return -1;
}

std::int32_t PreviousField(std::int32_t cell, FormCells formTemplate) {
  bool seenField = false;
  for (std::int32_t i = 0; i < kFieldScanCells; ++i) {
    const std::int32_t q = wrap(cell - 1 - i, kBackScanCells);
    if (isField(formTemplate, q)) {
      seenField = true;
    } else if (seenField) {
      return (q + 1) % kBackScanCells;
    }
  }
  return -1;
}

std::int32_t FindField(std::int32_t number, FormCells formTemplate, std::int32_t& start) {
  FieldWalk walk(formTemplate);
  std::int32_t s = 0;
  std::int32_t e = 0;
  for (std::int32_t n = 1; walk.next(s, e); ++n) {
    if (n == number) {
      start = s;
      return e - s;
    }
  }
  return 0;
}

void FillFieldsFromValues(FormCells formTemplate, std::span<char, kFormGridCells> text, std::span<const char> values) {
  FieldWalk walk(formTemplate);
  std::int32_t s = 0;
  std::int32_t e = 0;
  std::size_t from = 0;
  while (walk.next(s, e)) {
    const auto end = std::find(values.begin() + static_cast<std::ptrdiff_t>(from), values.end(), kValueSeparator);
    if (end == values.end()) return;
    const std::string_view value(values.data() + from, static_cast<std::size_t>(end - values.begin()) - from);
    from += value.size() + 1;
    const std::size_t n =
        std::min({value.size(), static_cast<std::size_t>(e - s), kFormGridCells - static_cast<std::size_t>(s)});
    std::copy_n(value.begin(), n, text.begin() + s);
  }
}

void CollectFieldValues(const char* command, FormCells formTemplate, FormCells text, std::span<char> values) {
  const char second = commandLetter(command, 1);
  if (second == 'N' || second == 'F' || values.empty()) return;
  const char third = commandLetter(command, 2);
  const bool upper = third == 'U' || third == 'F';
  // One byte is kept for the end mark.
  const std::size_t room = values.size() - 1;
  std::size_t n = 0;
  for (std::int32_t cell = 0; cell < kCollectedCells && n < room; ++cell) {
    if (isField(formTemplate, cell)) {
      char c = at(text, cell);
      if (c == '\0') c = ' ';
      if (upper) UpperCaseLetter(c);
      values[n++] = c;
    } else if (cell > 0 && isField(formTemplate, cell - 1)) {
      values[n++] = kValueSeparator;
    }
  }
  values[n] = kCollectedEnd;
}

void MapRowAttributes(std::span<char, kFormGridCells> text, std::span<char, kFormGridCells> formTemplate,
                      FormAttributes attributes) {
  bool shadedRows = false;  // rows 21 and 22 take the shaded attribute
  for (std::int32_t row = 0; row < static_cast<std::int32_t>(kFormRows); ++row) {
    const auto first = static_cast<std::size_t>(row * kColumns);
    const std::size_t typeCell = first + kFormColumns - 1;
    text[typeCell] = ' ';
    const char type = formTemplate[typeCell];
    if (row == 21 && type == 'R' && formTemplate[typeCell + kFormColumns] == 'R') shadedRows = true;
    std::int8_t attribute = rowAttribute(type);
    if (type == 'X' && (row == 20 || row == 21)) {
      attribute = kShadedAttribute;
      shadedRows = true;
    }
    if (shadedRows && (row == 21 || row == 22)) attribute = kShadedAttribute;
    for (std::size_t cell = first; cell < first + kFormColumns; ++cell) {
      const char mark = formTemplate[cell];
      if (!isFieldMark(mark) && mark != '`') {
        attributes[cell] = attribute;
      } else if (type == 'X') {
        attributes[cell] = attribute;
        formTemplate[cell] = ' ';
      } else {
        attributes[cell] = kFieldCellAttribute;
      }
    }
  }
}

std::int32_t HandleFormKey(const char* command, std::span<const char, kFormOptionCount> options, FormCells formTemplate,
                           std::span<char, kFormGridCells> text, FormAttributes attributes, std::int32_t cell) {
  const std::int32_t c = cell;
  if (c < 0 || c >= kScreenCells) return 0;
  if (isField(formTemplate, c)) return 0;

  const std::int32_t key = FindKeyLabel(formTemplate, text, c);
  if (key > 0 && options[static_cast<std::size_t>(key - 1)] != 'N') return key;

  const FormCells shown(text);
  if (at(shown, c) == '.' && c > 0 && c < kGridCells - 1 && !isDigit(at(shown, c - 1)) && !isDigit(at(shown, c + 1))) {
    const std::int32_t help = firstOption(options, "HF");
    if (help > 0) return help;
  }
  if (commandLetter(command, 2) == 'C') return 13;

  std::int32_t linkField = 0;
  std::array<char, kLinkTextSize> link{};
  std::int32_t start = 0;
  if (c < kGridCells && ParseFormLinks(c, formTemplate, linkField, link) > 0) {
    const std::int32_t length = FindField(linkField, formTemplate, start);
    if (length > 0) {
      // The link's text fills the field; the rest of the field is blank.
      const std::size_t n = std::min(std::strlen(link.data()), static_cast<std::size_t>(length));
      const auto first = text.begin() + start;
      std::fill_n(std::copy_n(link.begin(), n, first), static_cast<std::size_t>(length) - n, ' ');
      DrawCellRun(text.data() + start, attributes.data() + start, length, start);
      return -1;
    }
  }

  if (enterChoice(formTemplate, text, attributes, c)) return -1;

  if (options[12] != 'N') return 13;
  if (c < kKeyRowsEnd) {
    const std::int32_t function = firstOption(options, "F");
    if (function > 0) return function;
  }
  if (options[6] != 'N' && c < NextField(0, formTemplate)) return 7;
  if (options[7] == 'N') return 0;
  std::int32_t lastField = -1;
  for (std::int32_t q = 0; q < kKeyRowsEnd; ++q) {
    if (isField(formTemplate, q)) lastField = q;
  }
  return c > lastField ? 8 : 0;
}

std::int32_t FindKeyLabel(FormCells formTemplate, FormCells text, std::int32_t cell) {
  if (cell < 0 || cell >= kGridCells) return 0;
  static constexpr std::array<const char*, 9> kShortLabels = {"F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9"};
  static constexpr std::array<const char*, 3> kLongLabels = {"F10", "F11", "F12"};
  const std::int32_t rowStart = cell - cell % kColumns;
  const std::int32_t rowEnd = rowStart + kColumns - 1;

  // The key of a label ending at the "=" cell; the label lies within the row.
  const auto labelAt = [&](std::int32_t eq) -> std::int32_t {
    if (at(text, eq) != '=' || isField(formTemplate, eq)) return 0;
    const auto match = [&](std::int32_t from, std::span<const char* const> table, std::int32_t offset) {
      if (from < rowStart) return 0;
      const std::int32_t length = static_cast<std::int32_t>(std::strlen(table[0]));
      std::array<char, 4> label{};
      std::copy_n(text.begin() + from, length, label.begin());
      const std::int32_t index = MatchLabel(label.data(), table, length);
      return index > 0 ? index + offset : 0;
    };
    if (const std::int32_t k = match(eq - 2, kShortLabels, 0)) return k;
    if (const std::int32_t k = match(eq - 3, kLongLabels, 9)) return k;
    if (eq - 1 >= rowStart && at(text, eq - 1) == ' ') {
      if (const std::int32_t k = match(eq - 3, kShortLabels, 0)) return k;
      if (const std::int32_t k = match(eq - 4, kLongLabels, 9)) return k;
    }
    return 0;
  };

  struct Side {
    std::int32_t key = 0;
    std::int32_t at = 0;
    bool doubleBlank = false;
  };
  const auto scan = [&](std::int32_t from, std::int32_t step, std::int32_t last) {
    Side side;
    bool previousBlank = false;
    for (std::int32_t q = from; step < 0 ? q >= last : q <= last; q += step) {
      const bool blank = at(text, q) == ' ';
      if (blank && previousBlank) side.doubleBlank = true;
      previousBlank = blank;
      if (const std::int32_t k = labelAt(q)) {
        side.key = k;
        side.at = q;
        return side;
      }
    }
    return Side{};
  };
  const Side left = scan(cell, -1, rowStart);
  const Side right = scan(cell + 1, 1, rowEnd);
  if (left.key == 0 || right.key == 0) return left.key + right.key;
  if (left.doubleBlank != right.doubleBlank) return left.doubleBlank ? right.key : left.key;
  return cell - left.at < right.at - cell ? left.key : right.key;
}

std::int32_t MatchLabel(const char* text, std::span<const char* const> table, std::int32_t length) {
  if (text == nullptr || length < 0) return 0;
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i] != nullptr && std::strncmp(text, table[i], static_cast<std::size_t>(length)) == 0) {
      return static_cast<std::int32_t>(i) + 1;
    }
  }
  return 0;
}

void ShowMessageRow(std::span<char> text, std::int32_t row) {
  if (row < 0 || row >= kScreenRows) return;
  // The caller's text, padded with blanks to 80 within its buffer; nothing past column 80 is
  // written.
  const std::size_t usable = std::min(text.size(), kFormColumns);
  const auto terminator = std::find(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(usable), '\0');
  std::fill(terminator, text.begin() + static_cast<std::ptrdiff_t>(usable), ' ');
  std::replace(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(usable), '\n', ' ');

  std::array<char, kFormColumns> cells{};
  cells.fill(' ');
  std::copy_n(text.begin(), usable, cells.begin());
  std::array<std::int8_t, kFormColumns> colours{};
  colours.fill(kMessageAttribute);
  DrawCellRun(cells.data(), colours.data(), kColumns, row * kColumns);
}

void UpperCaseLetter(char& character) {
  if (character >= 'a' && character <= 'z') character = static_cast<char>(character - 'a' + 'A');
}

std::int32_t BlankNuls(std::span<char> buffer, std::int32_t n) {
  const std::size_t count = n > 0 ? std::min(buffer.size(), static_cast<std::size_t>(n)) : 0;
  std::replace(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(count), '\0', ' ');
  return n;
}

void TrimBlanks(char* text) {
  if (text == nullptr) return;
  const std::string_view all(text);
  const std::size_t first = all.find_first_not_of(' ');
  if (first == std::string_view::npos) {
    text[0] = '\0';
    return;
  }
  const std::size_t length = all.find_last_not_of(' ') - first + 1;
  std::memmove(text, text + first, length);
  text[length] = '\0';
}

void SqueezeBlanks(char* text) {
  if (text == nullptr) return;
  char* out = text;
  for (const char* in = text; *in != '\0'; ++in) {
    if (*in != ' ') *out++ = *in;
  }
  *out = '\0';
}

}  // namespace kvom::report
