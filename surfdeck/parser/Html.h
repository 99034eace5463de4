// The HTML structure stream: keeps the element stack of the few elements a
// bookmark page needs and reports anchors, headings and lists to its
// consumer. Its text goes on to a target stream (normally BlackHole).
#pragma once

#include "surfdeck/parser/HTStream.h"
#include "surfdeck/parser/sgml.h"

namespace surfdeck {

enum HTMLElement {
  HTML_A, HTML_DD, HTML_DL, HTML_DT, HTML_H1, HTML_H3, HTML_IMAGE, HTML_IMG, HTML_ELEMENTS
};

enum HTMLAnchorAttribute {
  HTML_A_EFFECT, HTML_A_HREF, HTML_A_ID, HTML_A_METHODS, HTML_A_NAME,
  HTML_A_PRINT, HTML_A_REL, HTML_A_REV, HTML_A_SHAPE, HTML_A_TITLE
};

extern const SGML_dtd HTML_dtd;

constexpr int kHtmlEntityCount = 67;
// The Latin-1 character entity i of HTML_dtd stands for.
char HTML_entityCharacter(int entity);

constexpr int kHtmlMaxOpen = 19;  // open elements the stream tracks; deeper ones are only counted

// What a consumer is told, with the text that comes with it (null for none).
enum HtmlEvent : int {
  kAnchorStart = 0,   // A with HREF starts; text = the HREF value
  kAnchorText = 1,    // A ends; text = the text collected in it
  kAnchorEnd = 2,     // right after kAnchorText; no text
  kHeadingStart = 3,  // H1 or H3 starts
  kHeadingEnd = 4,    // H1 or H3 ends; text = the text collected in it
  kListStart = 5,     // DL starts
  kListEnd = 6,       // DL ends
  kTermStart = 7,     // DT starts
};

class HtmlConsumer {
 public:
  // text is valid during the call only.
  virtual void onHtmlEvent(HtmlEvent event, const char* text) = 0;

 protected:
  ~HtmlConsumer() = default;
};

// A stream that discards everything.
HTStream* BlackHole_new();

// An HTML structure stream writing its text to target (owned) and its
// events to consumer (not owned, must outlive the stream).
HTStructured* HTML_new(HTStream* target, HtmlConsumer* consumer);

// The whole chain: tokenizer, structure stream, BlackHole.
inline HTStream* HTML_parser(HtmlConsumer* consumer) {
  return SGML_begin(&HTML_dtd, HTML_new(BlackHole_new(), consumer));
}

}  // namespace surfdeck
