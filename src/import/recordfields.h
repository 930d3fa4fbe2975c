#pragma once
// Walks the fields of one record of the loaded index in order. A value that
// the reading split over CONC lines (or that the file continued that way) is
// handed over whole: the CONC fields directly below a field, one level deeper,
// are appended to its value and not reported as fields of their own.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "import/indexfiles.h"

namespace rowsmith {

// A tag as its stored bytes read as one number, so a tag test is one compare.
struct FieldTag {
  uint64_t code;
  uint32_t length;
};

constexpr FieldTag fieldTag(std::string_view text) {
  uint64_t code = 0;
  for (size_t i = 0; i < text.size() && i < 8; ++i) code |= static_cast<uint64_t>(static_cast<uint8_t>(text[i])) << (8 * i);
  return {code, static_cast<uint32_t>(text.size() < 8 ? text.size() : 8)};
}

namespace tags {
inline constexpr FieldTag NAME = fieldTag("NAME"), SURN = fieldTag("SURN"), GIVN = fieldTag("GIVN"),
                          RELI = fieldTag("RELI"), SEX = fieldTag("SEX"), OCCU = fieldTag("OCCU"),
                          BIRT = fieldTag("BIRT"), DEAT = fieldTag("DEAT"), CHR = fieldTag("CHR"),
                          BURI = fieldTag("BURI"), DATE = fieldTag("DATE"), PLAC = fieldTag("PLAC"),
                          NOTE = fieldTag("NOTE"), CONT = fieldTag("CONT"), CONC = fieldTag("CONC"),
                          FAMS = fieldTag("FAMS"), FAMC = fieldTag("FAMC"), HUSB = fieldTag("HUSB"),
                          WIFE = fieldTag("WIFE"), CHIL = fieldTag("CHIL"), MARR = fieldTag("MARR");
}  // namespace tags

class RecordFields {
 public:
  RecordFields(const TDBDefaults& db, int32_t record) : fields_(db.Fields) {
    if (record >= 0 && static_cast<size_t>(record) < db.Blocks.size()) {
      next_ = db.Blocks[static_cast<size_t>(record)].FirstField;
      if (next_ < 0 || static_cast<size_t>(next_) >= fields_.size()) next_ = -1;
    }
  }

  // Moves to the next field; false at the end of the record.
  bool next() {
    if (next_ < 0) return false;
    const TFieldRec& field = fields_[static_cast<size_t>(next_)];
    index_ = next_;
    next_ = follow(next_);
    tag_ = field.tag();
    tagCode_ = 0;
    std::memcpy(&tagCode_, field.Tag, 8);
    if (tag_.size() < 8) tagCode_ &= (uint64_t{1} << (8 * tag_.size())) - 1;
    level_ = field.Level;
    value_ = field.value();
    if (next_ >= 0 && isContinuation(next_, level_ + 1, level_ + 1)) fold(field);
    return true;
  }

  std::string_view tag() const { return tag_; }
  bool is(FieldTag t) const { return tagCode_ == t.code && tag_.size() == t.length; }
  int32_t level() const { return level_; }
  std::string_view value() const { return value_; }
  int32_t index() const { return index_; }

 private:
  // The field after i in the chain, -1 at its end. The writer links each field
  // to the one after it, so a link that does not lead forward is damage and
  // ends the walk rather than looping.
  int32_t follow(int32_t i) const {
    int32_t n = fields_[static_cast<size_t>(i)].NextField;
    if (n <= i || static_cast<size_t>(n) >= fields_.size()) return -1;
    return n;
  }

  bool isContinuation(int32_t i, int32_t minLevel, int32_t maxLevel) const {
    const TFieldRec& f = fields_[static_cast<size_t>(i)];
    if (f.Level < minLevel || f.Level > maxLevel || f.TagLen != 4) return false;
    uint32_t code;
    std::memcpy(&code, f.Tag, 4);
    return code == static_cast<uint32_t>(tags::CONC.code);
  }

  // A CONC one level below the field continues it; a CONC one level below such
  // a CONC continues that piece, so any level up to one below the last piece
  // taken still belongs to the value.
  void fold(const TFieldRec& field) {
    buffer_.assign(field.value());
    const int32_t minLevel = field.Level + 1;
    int32_t maxLevel = minLevel;
    while (next_ >= 0 && isContinuation(next_, minLevel, maxLevel)) {
      const TFieldRec& piece = fields_[static_cast<size_t>(next_)];
      buffer_.append(piece.value());
      maxLevel = piece.Level + 1;
      next_ = follow(next_);
    }
    value_ = buffer_;
  }

  const TFieldIndex& fields_;
  int32_t next_ = -1;
  int32_t index_ = -1;
  std::string_view tag_;
  uint64_t tagCode_ = 0;
  int32_t level_ = 0;
  std::string_view value_;
  std::string buffer_;
};

}  // namespace rowsmith
