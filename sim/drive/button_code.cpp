#include "sim/drive/button_code.h"

namespace vdrive {
namespace {

int lower_hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

int any_hex_digit(char c) {
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return lower_hex_digit(c);
}

bool lower_pair(const std::string& text, std::size_t at, uint8_t& byte) {
  int high = lower_hex_digit(text[at]);
  int low = lower_hex_digit(text[at + 1]);
  byte = static_cast<uint8_t>(high >= 0 && low >= 0 ? high * 16 + low : 0);
  return high >= 0 && low >= 0;
}

}  // namespace

bool decode_mapping(const std::string& full_value, uint8_t (&code)[kCodeSize],
                    std::string& error) {
  for (uint8_t& byte : code) byte = 0;
  const std::string value = full_value.substr(0, kMappingChars);
  uint8_t flags = 0;
  uint8_t count = 0;
  if (value.size() < 4 || !lower_pair(value, 0, flags) || !lower_pair(value, 2, count)) {
    error = "'" + full_value + "' does not start with flags and a count in lower-case hex";
    return false;
  }
  if (count == 0 || count > kCodeSize) {
    error = "'" + full_value + "' maps no code (count " + std::to_string(count) + ")";
    return false;
  }
  if (value.size() < 4 + 2u * count) {
    error = "'" + full_value + "' holds fewer than its " + std::to_string(count) + " code bytes";
    return false;
  }
  for (std::size_t i = 0; i < count; ++i) lower_pair(value, 4 + 2 * i, code[i]);
  return true;
}

bool parse_code_bytes(const std::vector<std::string>& words, uint8_t (&code)[kCodeSize],
                      std::string& error) {
  for (uint8_t& byte : code) byte = 0;
  std::size_t count = 0;
  for (const std::string& word : words) {
    std::string digits = word;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
      digits = digits.substr(2);
    }
    if (digits.empty() || digits.size() % 2 != 0) {
      error = "'" + word + "' is not whole bytes of hex digits";
      return false;
    }
    for (std::size_t i = 0; i < digits.size(); i += 2) {
      int high = any_hex_digit(digits[i]);
      int low = any_hex_digit(digits[i + 1]);
      if (high < 0 || low < 0) {
        error = "'" + word + "' is not hex";
        return false;
      }
      if (count == kCodeSize) {
        error = "a code has at most 6 bytes";
        return false;
      }
      code[count++] = static_cast<uint8_t>(high * 16 + low);
    }
  }
  if (count == 0) {
    error = "no code bytes given";
    return false;
  }
  return true;
}

std::string button_map_file(const std::string& option, const std::string* remote_controller) {
  if (!option.empty()) return option;
  if (remote_controller != nullptr && !remote_controller->empty()) return *remote_controller;
  return "zk.rcb";
}

}  // namespace vdrive
