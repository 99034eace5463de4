#include "surfdeck/parser/Html.h"

#include "surfdeck/parser/HTChunk.h"
#include "surfdeck/parser/HTString.h"

namespace surfdeck {
namespace {

const HTAttr kAnchorAttributes[] = {{"EFFECT"}, {"HREF"}, {"ID"},   {"METHODS"}, {"NAME"},
                                    {"PRINT"},  {"REL"},  {"REV"},  {"SHAPE"},   {"TITLE"}};
const HTAttr kIndexAttributes[] = {{"ID"}, {"INDEX"}, {"LANG"}};
const HTAttr kListAttributes[] = {{"COMPACT"}, {"ID"}, {"INDEX"}};
const HTAttr kImageAttributes[] = {{"ALIGN"}, {"ISMAP"}, {"LANG"}, {"SEETHRU"}, {"SRC"}};
const HTAttr kImgAttributes[] = {{"ALIGN"}, {"ALT"}, {"ISMAP"}, {"SEETHRU"}, {"SRC"}};

const HTTag kTags[HTML_ELEMENTS] = {
    {"A", kAnchorAttributes, 10, SGML_MIXED},  {"DD", kIndexAttributes, 3, SGML_EMPTY},
    {"DL", kListAttributes, 3, SGML_MIXED},    {"DT", kIndexAttributes, 3, SGML_EMPTY},
    {"H1", kIndexAttributes, 3, SGML_MIXED},   {"H3", kIndexAttributes, 3, SGML_MIXED},
    {"IMAGE", kImageAttributes, 5, SGML_EMPTY}, {"IMG", kImgAttributes, 5, SGML_EMPTY},
};

// Sorted by strcmp, with the Latin-1 character each stands for. "nbsp" is a
// plain blank so that it survives as text where white space would collapse.
struct Entity {
  const char* name;
  unsigned char character;
};
constexpr Entity kEntities[kHtmlEntityCount] = {
    {"AElig", 0xC6},  {"Aacute", 0xC1}, {"Acirc", 0xC2},  {"Agrave", 0xC0}, {"Aring", 0xC5},
    {"Atilde", 0xC3}, {"Auml", 0xC4},   {"Ccedil", 0xC7}, {"ETH", 0xD0},    {"Eacute", 0xC9},
    {"Ecirc", 0xCA},  {"Egrave", 0xC8}, {"Euml", 0xCB},   {"Iacute", 0xCD}, {"Icirc", 0xCE},
    {"Igrave", 0xCC}, {"Iuml", 0xCF},   {"Ntilde", 0xD1}, {"Oacute", 0xD3}, {"Ocirc", 0xD4},
    {"Ograve", 0xD2}, {"Oslash", 0xD8}, {"Otilde", 0xD5}, {"Ouml", 0xD6},   {"THORN", 0xDE},
    {"Uacute", 0xDA}, {"Ucirc", 0xDB},  {"Ugrave", 0xD9}, {"Uuml", 0xDC},   {"Yacute", 0xDD},
    {"aacute", 0xE1}, {"acirc", 0xE2},  {"aelig", 0xE6},  {"agrave", 0xE0}, {"amp", '&'},
    {"aring", 0xE5},  {"atilde", 0xE3}, {"auml", 0xE4},   {"ccedil", 0xE7}, {"eacute", 0xE9},
    {"ecirc", 0xEA},  {"egrave", 0xE8}, {"eth", 0xF0},    {"euml", 0xEB},   {"gt", '>'},
    {"iacute", 0xED}, {"icirc", 0xEE},  {"igrave", 0xEC}, {"iuml", 0xEF},   {"lt", '<'},
    {"nbsp", ' '},    {"ntilde", 0xF1}, {"oacute", 0xF3}, {"ocirc", 0xF4},  {"ograve", 0xF2},
    {"oslash", 0xF8}, {"otilde", 0xF5}, {"ouml", 0xF6},   {"quot", '"'},    {"szlig", 0xDF},
    {"thorn", 0xFE},  {"uacute", 0xFA}, {"ucirc", 0xFB},  {"ugrave", 0xF9}, {"uuml", 0xFC},
    {"yacute", 0xFD}, {"yuml", 0xFF},
};

// The tokenizer looks names up in a plain array; built at compile time so a
// parser made during static initialisation still finds them.
struct EntityNames {
  const char* names[kHtmlEntityCount];
  constexpr EntityNames() : names{} {
    for (int i = 0; i < kHtmlEntityCount; ++i) names[i] = kEntities[i].name;
  }
};
constexpr EntityNames kEntityNames;

class BlackHole final : public HTStream {
 public:
  const char* name() const override { return "BlackHole"; }
  void flush() override {}
  void free() override { delete this; }
  void abort() override { delete this; }
  void putCharacter(char) override {}
  void putString(const char*) override {}
  void putBlock(const char*, int) override {}
};

class HTMLStream final : public HTStructured {
 public:
  HTMLStream(HTStream* target, HtmlConsumer* consumer)
      : target_(target), consumer_(consumer), text_(HTChunk_new(256)) {}

  const char* name() const override { return "text/html"; }
  void flush() override { target_->flush(); }
  void free() override {
    target_->free();
    delete this;
  }
  void abort() override {
    target_->abort();
    delete this;
  }

  void putCharacter(char c) override {
    take(c, HTIsWhite(c));
    target_->putCharacter(c);
  }
  // Only a newline counts as white space here, so an entity's blank is kept.
  void putString(const char* s) override {
    for (const char* p = s; *p; ++p) take(*p, *p == '\n');
    target_->putString(s);
  }
  void putBlock(const char* block, int length) override {
    for (int i = 0; i < length; ++i) take(block[i], HTIsWhite(block[i]));
    target_->putBlock(block, length);
  }
  void putEntity(int entity) override {
    const char s[2] = {HTML_entityCharacter(entity), '\0'};
    putString(s);
  }

  void startElement(int element, const bool* present, const char* const* value) override;
  void endElement(int element) override;

 private:
  ~HTMLStream() override { HTChunk_free(text_); }

  // Collapses white space to one blank after text; a NUL stands for a TAB.
  void take(char c, bool white) {
    if (!white) {
      if (collecting_) HTChunk_putc(text_, c != '\0' ? c : '\t');
      lastWasText_ = true;
    } else if (lastWasText_) {
      if (collecting_) HTChunk_putc(text_, ' ');
      lastWasText_ = false;
    }
  }

  void sendText(HtmlEvent event) {
    if (text_->size > 0) {
      HTChunk_terminate(text_);
      consumer_->onHtmlEvent(event, text_->data);
    } else {
      consumer_->onHtmlEvent(event, nullptr);
    }
  }

  HTStream* target_;
  HtmlConsumer* consumer_;
  HTChunk* text_;
  bool collecting_ = false;
  bool lastWasText_ = false;
  unsigned char open_[kHtmlMaxOpen];
  int depth_ = 0;
  int overflow_ = 0;
};

void HTMLStream::startElement(int element, const bool* present, const char* const* value) {
  if (element < 0 || element >= HTML_ELEMENTS) return;
  switch (element) {
    case HTML_A:
      if (present[HTML_A_HREF]) {
        consumer_->onHtmlEvent(kAnchorStart, value[HTML_A_HREF]);
        collecting_ = true;
      }
      break;
    case HTML_DD:
      if (collecting_) HTChunk_putc(text_, '\t');
      lastWasText_ = false;
      break;
    case HTML_DL:
      lastWasText_ = false;
      consumer_->onHtmlEvent(kListStart, nullptr);
      break;
    case HTML_DT:
      lastWasText_ = false;
      consumer_->onHtmlEvent(kTermStart, nullptr);
      break;
    case HTML_H1:
    case HTML_H3:
      lastWasText_ = false;
      collecting_ = true;
      consumer_->onHtmlEvent(kHeadingStart, nullptr);
      break;
    default:
      break;
  }
  if (kTags[element].contents == SGML_EMPTY) return;
  if (depth_ < kHtmlMaxOpen)
    open_[depth_++] = static_cast<unsigned char>(element);
  else
    ++overflow_;
}

void HTMLStream::endElement(int element) {
  // The tokenizer ends elements in order, so an element past the tracked
  // depth is ended like any other; only the count of those shrinks.
  if (overflow_ > 0)
    --overflow_;
  else if (depth_ > 0)
    --depth_;
  switch (element) {
    case HTML_A:
      sendText(kAnchorText);
      consumer_->onHtmlEvent(kAnchorEnd, nullptr);
      HTChunk_clear(text_);
      collecting_ = false;
      break;
    case HTML_DL:
      consumer_->onHtmlEvent(kListEnd, nullptr);
      lastWasText_ = false;
      break;
    case HTML_H1:
    case HTML_H3:
      sendText(kHeadingEnd);
      HTChunk_clear(text_);
      collecting_ = false;
      lastWasText_ = false;
      break;
    default:
      break;
  }
}

}  // namespace

const SGML_dtd HTML_dtd = {kTags, HTML_ELEMENTS, kEntityNames.names, kHtmlEntityCount};

char HTML_entityCharacter(int entity) {
  if (entity < 0 || entity >= kHtmlEntityCount) return ' ';
  return static_cast<char>(kEntities[entity].character);
}

HTStream* BlackHole_new() { return new BlackHole; }

HTStructured* HTML_new(HTStream* target, HtmlConsumer* consumer) {
  return new HTMLStream(target, consumer);
}

}  // namespace surfdeck
