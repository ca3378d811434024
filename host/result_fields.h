#pragma once
// The result records that the adapter writes into the output object, with the meaning of each
// field that it fills (SI units).

#include <cstddef>
#include <span>
#include <string_view>

namespace host {

struct ResultField {
  bool isInteger;
  std::size_t position;  // from 1
  std::string_view meaning;
};

struct ResultRecord {
  std::string_view key;
  std::span<const ResultField> fields;
};

std::span<const ResultRecord> resultRecords();

}  // namespace host
