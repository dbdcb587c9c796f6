#pragma once
// The one reader of typed whole numbers: the Filters dialog's fields and gorvanta-cli's --set values.
#include <cstdint>
#include <optional>
#include <string_view>

enum class FieldBlanks { Refuse, Trim };

// An optional sign, at least one decimal digit and nothing else, within 32 bits. With Trim, spaces and
// tabs around the number are allowed. Anything else: no value.
std::optional<int32_t> ParseInt32Field(std::string_view text, FieldBlanks blanks = FieldBlanks::Refuse);
