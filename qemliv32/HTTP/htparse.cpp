#include "qemliv32/HTTP/htparse.h"

#include <new>
#include <vector>

#include "qemliv32/HTTP/htstring.h"

namespace qem {
namespace {

struct Parts {
  std::optional<std::string_view> access;
  std::optional<std::string_view> host;
  std::optional<std::string_view> absolute;  // after its leading '/'
  std::optional<std::string_view> relative;
  std::optional<std::string_view> anchor;
};

Parts scan(std::string_view name) {
  Parts parts;
  std::string_view rest = name;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (c == ':') {
      parts.access = name.substr(0, i);
      rest = name.substr(i + 1);
      break;
    }
    if (c == '/' || c == '#') break;
  }
  std::size_t hash = rest.rfind('#');
  if (hash != std::string_view::npos) {
    parts.anchor = rest.substr(hash + 1);
    rest = rest.substr(0, hash);
  }
  if (rest.size() >= 2 && rest[0] == '/' && rest[1] == '/') {
    rest.remove_prefix(2);
    std::size_t slash = rest.find('/');
    parts.host = rest.substr(0, slash);
    if (slash != std::string_view::npos) parts.absolute = rest.substr(slash + 1);
  } else if (!rest.empty() && rest[0] == '/') {
    parts.absolute = rest.substr(1);
  } else if (!rest.empty()) {
    parts.relative = rest;
  }
  return parts;
}

// Removes "." segments and resolves ".." ones in an absolute path (leading
// '/' included); ".." never climbs above the root. A search part after '?'
// is left alone.
std::string simplify(const std::string& path) {
  std::size_t query = path.find('?');
  std::string_view head = std::string_view(path).substr(0, query);
  std::vector<std::string_view> segments;
  std::size_t start = 1;  // past the leading '/'
  while (start <= head.size()) {
    std::size_t end = head.find('/', start);
    if (end == std::string_view::npos) end = head.size();
    std::string_view seg = head.substr(start, end - start);
    bool last = end == head.size();
    if (seg == ".") {
      if (last) segments.push_back("");  // "a/." names the folder "a/"
    } else if (seg == "..") {
      if (!segments.empty()) segments.pop_back();
      if (last) segments.push_back("");
    } else {
      segments.push_back(seg);
    }
    start = end + 1;
  }
  std::string out;
  for (std::string_view seg : segments) {
    out += '/';
    out += seg;
  }
  if (out.empty()) out = "/";
  if (query != std::string::npos) out += path.substr(query);
  return out;
}

std::string build(std::string_view name, std::string_view related, int wanted) {
  Parts given = scan(name);
  Parts rel = scan(related);
  bool punct = wanted & PARSE_PUNCTUATION;

  // Another scheme or another host: the related name lends nothing below it.
  if (given.access && rel.access && strcasecomp(*given.access, *rel.access) != 0) {
    Parts none;
    none.access = rel.access;
    rel = none;
  }
  if (given.host && (!rel.host || *given.host != *rel.host)) {
    rel.absolute.reset();
    rel.relative.reset();
    rel.anchor.reset();
  }

  std::string result;
  if (wanted & PARSE_ACCESS) {
    auto access = given.access ? given.access : rel.access;
    if (access) {
      result += *access;
      if (punct) result += ':';
    }
  }
  if (wanted & PARSE_HOST) {
    auto host = given.host ? given.host : rel.host;
    if (host) {
      if (punct) result += "//";
      result += *host;
    }
  }
  if (wanted & PARSE_PATH) {
    if (given.absolute) {
      if (punct) result += '/';
      result += *given.absolute;
    } else if (rel.absolute || (given.relative && rel.host)) {
      // Below a related host without a path, a relative path starts at its root.
      std::string path = "/";
      if (rel.absolute) path += *rel.absolute;
      if (given.relative) {
        // Keep the related folder, replace its last name (and search part).
        std::size_t cut = path.find('?');
        if (cut == std::string::npos) cut = path.size();
        path.erase(path.rfind('/', cut == 0 ? 0 : cut - 1) + 1);
        path += *given.relative;
        path = simplify(path);
      }
      result += punct ? std::string_view(path) : std::string_view(path).substr(1);
    } else if (given.relative) {
      result += *given.relative;
    } else if (rel.relative) {
      result += *rel.relative;
    } else {
      result += '/';
    }
  }
  if (wanted & PARSE_ANCHOR) {
    auto anchor = given.anchor ? given.anchor : rel.anchor;
    if (anchor) {
      if (punct) result += '#';
      result += *anchor;
    }
  }
  return result;
}

}  // namespace

std::optional<std::string> HTParse(std::string_view name, std::string_view related, int parts) {
  try {
    return build(name, related, parts);
  } catch (const std::bad_alloc&) {
    report_out_of_memory("htparse", "HTParse");
    return std::nullopt;
  }
}

}  // namespace qem
