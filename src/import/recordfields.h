#pragma once
// Walks the fields of one record of the loaded index in order. A value that
// the file continued over CONC lines is handed over whole: the CONC fields
// directly below a field, one level deeper, are appended to its value and not
// reported as fields of their own.
#include <cstdint>
#include <string>
#include <string_view>

#include "import/gedcomindex.h"

namespace rowsmith {

namespace tags {
inline constexpr FieldTag NAME = fieldTag("NAME"), SURN = fieldTag("SURN"), GIVN = fieldTag("GIVN"),
                          RELI = fieldTag("RELI"), SEX = fieldTag("SEX"), OCCU = fieldTag("OCCU"),
                          BIRT = fieldTag("BIRT"), DEAT = fieldTag("DEAT"), CHR = fieldTag("CHR"),
                          BURI = fieldTag("BURI"), DATE = fieldTag("DATE"), PLAC = fieldTag("PLAC"),
                          NOTE = fieldTag("NOTE"), CONT = fieldTag("CONT"), CONC = fieldTag("CONC"),
                          FAMS = fieldTag("FAMS"), FAMC = fieldTag("FAMC"), HUSB = fieldTag("HUSB"),
                          WIFE = fieldTag("WIFE"), CHIL = fieldTag("CHIL"), MARR = fieldTag("MARR"),
                          INDI = fieldTag("INDI"), FAM = fieldTag("FAM"), SPFX = fieldTag("SPFX"),
                          PEDI = fieldTag("PEDI");
}  // namespace tags

// Which lines give a person's name pieces (SURN, GIVN, SPFX): only those
// directly below the first NAME line, one level deeper. Pieces of a later
// name (a married name) or of a variant below it (ROMN, FONE, TRAN) would
// replace the birth name the columns show.
class FirstNameScope {
 public:
  // Called for every line of the record, in order.
  void line(int32_t level, bool isName) {
    if (level <= nameLevel_) pieceLevel_ = 0;
    if (isName && nameLevel_ < 0) {
      nameLevel_ = level;
      pieceLevel_ = level + 1;
    }
  }
  bool isPiece(int32_t level) const { return level == pieceLevel_; }

 private:
  int32_t nameLevel_ = -1;
  int32_t pieceLevel_ = 0;  // 0 before and after the first name's lines
};

class RecordFields {
 public:
  RecordFields(const GedcomIndex& db, int32_t record) : db_(db), fields_(db.Fields) {
    if (record >= 0 && static_cast<size_t>(record) < db.Blocks.size()) {
      next_ = db.Blocks[static_cast<size_t>(record)].FirstField;
      if (next_ < 0 || static_cast<size_t>(next_) >= fields_.size()) next_ = -1;
    }
  }

  // Moves to the next field; false at the end of the record.
  bool next() {
    if (next_ < 0) return false;
    field_ = &fields_[static_cast<size_t>(next_)];
    tag_ = &db_.fieldTagOf(*field_);
    index_ = next_;
    next_ = follow(next_);
    value_ = db_.value(*field_);
    if (next_ >= 0 && isContinuation(next_, field_->level() + 1, field_->level() + 1)) fold();
    return true;
  }

  std::string_view tag() const { return db_.tag(*field_); }
  bool is(FieldTag t) const { return tag_->code == t.code && tag_->length == t.length; }
  int32_t level() const { return field_->level(); }
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
    const int32_t level = f.level();
    return level >= minLevel && level <= maxLevel && db_.is(f, tags::CONC);
  }

  // A CONC one level below the field continues it; a CONC one level below such
  // a CONC continues that piece, so any level up to one below the last piece
  // taken still belongs to the value.
  void fold() {
    buffer_.assign(value_);
    const int32_t minLevel = field_->level() + 1;
    int32_t maxLevel = minLevel;
    while (next_ >= 0 && isContinuation(next_, minLevel, maxLevel)) {
      const TFieldRec& piece = fields_[static_cast<size_t>(next_)];
      buffer_.append(db_.value(piece));
      maxLevel = piece.level() + 1;
      next_ = follow(next_);
    }
    value_ = buffer_;
  }

  const GedcomIndex& db_;
  const TFieldIndex& fields_;
  const TFieldRec* field_ = nullptr;
  const FieldTag* tag_ = nullptr;
  int32_t next_ = -1;
  int32_t index_ = -1;
  std::string_view value_;
  std::string buffer_;
};

}  // namespace rowsmith
