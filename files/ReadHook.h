#pragma once

#include <functional>
#include <string_view>

namespace jumelix {

// When a reader calls the test hook: before it opens a folder, and once it
// has listed it, before it reads the sizes of its files.
enum class ReadStage { Opening, Listed };
using ReadHook = std::function<void(std::string_view folder, ReadStage stage)>;

}  // namespace jumelix
