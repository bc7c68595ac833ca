// The text catalog that string tables are built from: UTF-8, one entry per line, the text
// number, a tab, then the text with \n, \t, \r and \\ escaped. Blank lines and lines starting
// with '#' are skipped.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Entries by number. On failure returns false and puts "line N: reason" into `error`.
bool ParseCatalog(const std::string& content, std::map<std::uint16_t, std::string>& entries,
                  std::string& error);

// One catalog line (without its line end) for a text.
std::string CatalogLine(unsigned number, const std::string& text);

// The string-table file holding `entries`: count, sorted index, check value, texts.
std::vector<std::uint8_t> BuildStringTable(const std::map<std::uint16_t, std::string>& entries);
