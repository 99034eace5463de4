// The SGML tokenizer stream: turns characters into start tags with their
// attribute values, end tags, entities and text for a structured stream.
// Malformed input never stops it: unknown tags are skipped to their ">",
// unknown entities pass through as text, stray end tags are ignored.
#pragma once

#include "surfdeck/parser/HTStream.h"

namespace surfdeck {

enum SGMLContent { SGML_EMPTY = 0, SGML_LITERAL = 1, SGML_RCDATA = 3, SGML_MIXED = 4 };

struct HTAttr {
  const char* name;
};

struct HTTag {
  const char* name;
  const HTAttr* attributes;  // sorted by name
  int number_of_attributes;
  SGMLContent contents;
};

struct SGML_dtd {
  const HTTag* tags;  // sorted by name; names compared without regard to case
  int number_of_tags;
  const char* const* entity_names;  // sorted; compared with regard to case
  int number_of_entities;
};

constexpr int kMaxAttributes = 20;

const HTTag* SGMLFindTag(const SGML_dtd* dtd, const char* name);
int SGMLFindAttribute(const HTTag* tag, const char* name);  // -1 when not found
int SGMLFindEntity(const SGML_dtd* dtd, const char* name);  // -1 when not found

struct HTChunk;

class SGMLParser final : public HTStream {
 public:
  SGMLParser(const SGML_dtd* dtd, HTStructured* target);

  const char* name() const override { return "SGMLParser"; }
  void flush() override;
  void free() override;
  void abort() override;
  void putCharacter(char c) override { handle(c); }
  void putString(const char* s) override;
  void putBlock(const char* block, int length) override;

 private:
  enum State {
    S_text, S_nl, S_nl_tago, S_tag, S_tag_gap, S_attr, S_attr_gap, S_equals, S_value,
    S_squoted, S_dquoted, S_after_tag, S_ero, S_entity, S_cro, S_end, S_junk_tag
  };

  ~SGMLParser() override;
  void handle(char c);
  bool textTakesEntities() const;
  void startElement();
  void endElement(const HTTag* tag);
  void closeAttributeName();
  void storeValue();
  void characterReference();
  void entity(char c);

  const SGML_dtd* dtd_;
  HTStructured* target_;
  HTChunk* stack_;   // indexes of the open elements, innermost last
  const HTTag* current_ = nullptr;
  int attribute_ = -1;
  State state_ = S_text;
  HTChunk* buffer_;
  bool present_[kMaxAttributes] = {};
  char* value_[kMaxAttributes] = {};
};

// A tokenizer stream for dtd that writes to target and owns it.
SGMLParser* SGML_begin(const SGML_dtd* dtd, HTStructured* target);

}  // namespace surfdeck
