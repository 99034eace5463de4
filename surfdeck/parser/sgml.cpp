#include "surfdeck/parser/sgml.h"

#include <cstring>

#include "surfdeck/parser/HTChunk.h"
#include "surfdeck/parser/HTMemory.h"
#include "surfdeck/parser/HTString.h"

namespace surfdeck {

void* HTStream::operator new(std::size_t size) { return HT_MALLOC(size); }
void HTStream::operator delete(void* p) { HT_FREE(p); }

const HTTag* SGMLFindTag(const SGML_dtd* dtd, const char* name) {
  int low = 0, high = dtd->number_of_tags - 1;
  while (low <= high) {
    const int mid = (low + high) / 2;
    const int diff = HTStrCaseComp(name, dtd->tags[mid].name);
    if (diff == 0) return &dtd->tags[mid];
    if (diff < 0) high = mid - 1; else low = mid + 1;
  }
  return nullptr;
}

int SGMLFindAttribute(const HTTag* tag, const char* name) {
  int low = 0, high = tag->number_of_attributes - 1;
  while (low <= high) {
    const int mid = (low + high) / 2;
    const int diff = HTStrCaseComp(name, tag->attributes[mid].name);
    if (diff == 0) return mid;
    if (diff < 0) high = mid - 1; else low = mid + 1;
  }
  return -1;
}

int SGMLFindEntity(const SGML_dtd* dtd, const char* name) {
  int low = 0, high = dtd->number_of_entities - 1;
  while (low <= high) {
    const int mid = (low + high) / 2;
    const int diff = std::strcmp(name, dtd->entity_names[mid]);
    if (diff == 0) return mid;
    if (diff < 0) high = mid - 1; else low = mid + 1;
  }
  return -1;
}

SGMLParser::SGMLParser(const SGML_dtd* dtd, HTStructured* target)
    : dtd_(dtd), target_(target), stack_(HTChunk_new(128)), buffer_(HTChunk_new(128)) {}

SGMLParser::~SGMLParser() {
  HTChunk_free(stack_);
  HTChunk_free(buffer_);
  for (char*& v : value_) HT_FREE(v);
}

SGMLParser* SGML_begin(const SGML_dtd* dtd, HTStructured* target) {
  return new SGMLParser(dtd, target);
}

void SGMLParser::flush() {
  // Open elements are forgotten, not ended: the target sees no end events.
  HTChunk_clear(stack_);
  target_->flush();
}

void SGMLParser::free() {
  target_->free();
  delete this;
}

void SGMLParser::abort() {
  target_->abort();
  delete this;
}

void SGMLParser::putString(const char* s) {
  while (*s) handle(*s++);
}

namespace {

// Characters that end a run of plain text.
struct TextStops {
  bool stop[256] = {};
  constexpr TextStops() {
    stop[static_cast<unsigned char>('<')] = true;
    stop[static_cast<unsigned char>('&')] = true;
    stop[static_cast<unsigned char>('\n')] = true;
  }
};
constexpr TextStops kTextStops;

const char* skipNameChars(const char* p, const char* end) {
  while (p < end && HTIsNameChar(*p)) ++p;
  return p;
}

const char* skipValueChars(const char* p, const char* end) {
  while (p < end && !HTIsWhite(*p) && *p != '>') ++p;
  return p;
}

const char* skipAttributeNameChars(const char* p, const char* end) {
  while (p < end && !HTIsWhite(*p) && *p != '>' && *p != '=') ++p;
  return p;
}

}  // namespace

void SGMLParser::putBlock(const char* block, int length) {
  const char* p = block;
  const char* const end = block + (length > 0 ? length : 0);
  // Runs that a state only collects or passes on are handled whole; the
  // character that ends a run goes through the state table like any other.
  while (p < end) {
    const char* run = p;
    switch (state_) {
      case S_text:
        while (run < end && !kTextStops.stop[static_cast<unsigned char>(*run)]) ++run;
        if (run > p) target_->putBlock(p, static_cast<int>(run - p));
        break;
      case S_junk_tag:
        run = static_cast<const char*>(std::memchr(p, '>', static_cast<std::size_t>(end - p)));
        if (!run) return;
        break;
      case S_squoted:
      case S_dquoted: {
        const char* q = static_cast<const char*>(
            std::memchr(p, state_ == S_squoted ? '\'' : '"', static_cast<std::size_t>(end - p)));
        run = q ? q : end;
        HTChunk_putb(buffer_, p, static_cast<int>(run - p));
        break;
      }
      case S_value:
        run = skipValueChars(p, end);
        HTChunk_putb(buffer_, p, static_cast<int>(run - p));
        break;
      case S_attr:
        run = skipAttributeNameChars(p, end);
        HTChunk_putb(buffer_, p, static_cast<int>(run - p));
        break;
      case S_tag:
      case S_end:
      case S_entity:
      case S_cro:
        run = skipNameChars(p, end);
        HTChunk_putb(buffer_, p, static_cast<int>(run - p));
        break;
      default:
        break;
    }
    if (run >= end) return;
    handle(*run);
    p = run + 1;
  }
}

bool SGMLParser::textTakesEntities() const {
  if (stack_->size == 0) return true;
  const SGMLContent top = dtd_->tags[static_cast<unsigned char>(stack_->data[stack_->size - 1])].contents;
  return top == SGML_MIXED || top == SGML_RCDATA;
}

// Reports the element whose tag just closed; what follows is the tag's content.
void SGMLParser::startElement() {
  state_ = S_after_tag;
  const int index = static_cast<int>(current_ - dtd_->tags);
  target_->startElement(index, present_, value_);
  if (current_->contents != SGML_EMPTY) HTChunk_putc(stack_, static_cast<char>(index));
}

void SGMLParser::endElement(const HTTag* tag) {
  if (tag->contents == SGML_EMPTY) return;
  const char index = static_cast<char>(tag - dtd_->tags);
  int at = stack_->size - 1;
  while (at >= 0 && stack_->data[at] != index) --at;
  // An end tag closes every element opened after its start tag; a stray one changes nothing.
  while (at >= 0 && stack_->size > at) {
    const char top = stack_->data[--stack_->size];
    target_->endElement(static_cast<unsigned char>(top));
  }
}

void SGMLParser::closeAttributeName() {
  HTChunk_terminate(buffer_);
  attribute_ = SGMLFindAttribute(current_, buffer_->data);
  if (attribute_ >= 0) {
    present_[attribute_] = true;
    HT_FREE(value_[attribute_]);
    value_[attribute_] = nullptr;
  }
  HTChunk_truncate(buffer_);
}

void SGMLParser::storeValue() {
  HTChunk_terminate(buffer_);
  if (attribute_ >= 0) HTSACopy(&value_[attribute_], buffer_->data);
  attribute_ = -1;
  HTChunk_truncate(buffer_);
}

void SGMLParser::characterReference() {
  // Decimal only; a number outside Latin-1 stands for no character at all
  // rather than for whatever its low byte happens to be.
  int n = 0;
  if (buffer_->size == 0) return;
  for (int i = 0; i < buffer_->size; ++i) {
    const char c = buffer_->data[i];
    if (c < '0' || c > '9') return;
    n = n * 10 + (c - '0');
    if (n > 255) return;
  }
  target_->putCharacter(static_cast<char>(n));
}

void SGMLParser::entity(char c) {
  HTChunk_terminate(buffer_);
  const int found = SGMLFindEntity(dtd_, buffer_->data);
  if (found >= 0) {
    target_->putEntity(found);  // the character that ended the name is dropped
    return;
  }
  target_->putCharacter('&');
  for (int i = 0; i < buffer_->size; ++i) target_->putCharacter(buffer_->data[i]);
  target_->putCharacter(c);
}

void SGMLParser::handle(char c) {
  for (;;) {
    switch (state_) {
      case S_text:
        if (c == '&' && textTakesEntities()) {
          HTChunk_clear(buffer_);
          state_ = S_ero;
        } else if (c == '<') {
          HTChunk_clear(buffer_);
          state_ = S_tag;
        } else if (c == '\n') {
          state_ = S_nl;
        } else {
          target_->putCharacter(c);
        }
        return;

      case S_nl:  // a newline waits to see whether an end tag follows
        if (c == '<') {
          HTChunk_clear(buffer_);
          state_ = S_nl_tago;
          return;
        }
        target_->putCharacter('\n');
        state_ = S_text;
        continue;

      case S_nl_tago:
        if (c != '/') target_->putCharacter('\n');  // dropped before an end tag
        state_ = S_tag;
        continue;

      case S_tag:
        if (HTIsNameChar(c)) {
          HTChunk_putc(buffer_, c);
          return;
        }
        if (c == '/') {
          state_ = S_end;
          return;
        }
        {
          HTChunk_terminate(buffer_);
          const HTTag* tag = SGMLFindTag(dtd_, buffer_->data);
          HTChunk_truncate(buffer_);
          if (!tag) {
            state_ = c == '>' ? S_text : S_junk_tag;
            return;
          }
          current_ = tag;
          std::memset(present_, 0, sizeof(present_));
          attribute_ = -1;
          if (c == '>') {
            startElement();
          } else {
            state_ = S_tag_gap;
          }
        }
        return;

      case S_tag_gap:
        if (HTIsWhite(c)) return;
        if (c == '>') {
          startElement();
          return;
        }
        HTChunk_putc(buffer_, c);
        state_ = S_attr;
        return;

      case S_attr:
        if (HTIsWhite(c) || c == '>' || c == '=') {
          closeAttributeName();
          if (c == '>') {
            startElement();
          } else {
            state_ = c == '=' ? S_equals : S_attr_gap;
          }
          return;
        }
        HTChunk_putc(buffer_, c);
        return;

      case S_attr_gap:
        if (HTIsWhite(c)) return;
        if (c == '>') {
          startElement();
        } else if (c == '=') {
          state_ = S_equals;
        } else {
          HTChunk_putc(buffer_, c);
          state_ = S_attr;
        }
        return;

      case S_equals:
        if (HTIsWhite(c)) return;
        if (c == '>') {
          startElement();
        } else if (c == '\'') {
          state_ = S_squoted;
        } else if (c == '"') {
          state_ = S_dquoted;
        } else {
          HTChunk_putc(buffer_, c);
          state_ = S_value;
        }
        return;

      case S_value:
        if (HTIsWhite(c) || c == '>') {
          storeValue();
          if (c == '>') {
            startElement();
          } else {
            state_ = S_tag_gap;
          }
          return;
        }
        HTChunk_putc(buffer_, c);
        return;

      case S_squoted:
      case S_dquoted:
        if (c == (state_ == S_squoted ? '\'' : '"')) {
          storeValue();
          state_ = S_tag_gap;
        } else {
          HTChunk_putc(buffer_, c);
        }
        return;

      case S_after_tag:
        if (c == '\n' && current_->contents != SGML_EMPTY) return;
        state_ = S_text;
        continue;

      case S_ero:
        if (c == '#') {
          state_ = S_cro;
          return;
        }
        state_ = S_entity;
        continue;

      case S_entity:
        if (HTIsNameChar(c)) {
          HTChunk_putc(buffer_, c);
          return;
        }
        entity(c);
        state_ = S_text;
        return;

      case S_cro:
        if (HTIsNameChar(c)) {
          HTChunk_putc(buffer_, c);
          return;
        }
        characterReference();  // the character that ended it is dropped
        state_ = S_text;
        return;

      case S_end:
        if (HTIsNameChar(c)) {
          HTChunk_putc(buffer_, c);
          return;
        }
        {
          HTChunk_terminate(buffer_);
          const HTTag* tag = nullptr;
          if (buffer_->size > 0)
            tag = SGMLFindTag(dtd_, buffer_->data);
          else if (stack_->size > 0)
            tag = &dtd_->tags[static_cast<unsigned char>(stack_->data[stack_->size - 1])];
          HTChunk_truncate(buffer_);
          if (tag) endElement(tag);
          state_ = c == '>' ? S_text : S_junk_tag;
        }
        return;

      case S_junk_tag:
        if (c == '>') state_ = S_text;
        return;
    }
    return;
  }
}

}  // namespace surfdeck
