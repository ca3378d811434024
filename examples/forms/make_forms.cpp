// kvom_make_forms OUTPUT-DIRECTORY SOURCE...
// Makes the form library, its index and the RTF forms of each source (README.md beside this file)
// in the output directory. Every source is read and checked before any file is written, so a
// faulty source leaves the directory as it was.

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

#include "examples/forms/form_library.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: kvom_make_forms OUTPUT-DIRECTORY SOURCE...\n";
    return 2;
  }
  const std::filesystem::path output = argv[1];
  std::vector<kvom::forms::LibraryFile> files;
  try {
    for (int i = 2; i < argc; ++i) {
      std::ifstream in(argv[i], std::ios::binary);
      if (!in) throw kvom::forms::FormError(std::string(argv[i]) + ": cannot be read");
      std::ostringstream text;
      text << in.rdbuf();
      const auto library = kvom::forms::parseSource(text.str(), std::filesystem::path(argv[i]).filename().string());
      for (auto& file : kvom::forms::buildLibrary(library)) files.push_back(std::move(file));
    }
  } catch (const kvom::forms::FormError& error) {
    std::cerr << "kvom_make_forms: " << error.what() << "\n";
    return 1;
  }

  std::error_code error;
  std::filesystem::create_directories(output, error);
  for (const kvom::forms::LibraryFile& file : files) {
    std::ofstream out(output / file.name, std::ios::binary | std::ios::trunc);
    out.write(file.bytes.data(), static_cast<std::streamsize>(file.bytes.size()));
    out.close();
    if (!out) {
      std::cerr << "kvom_make_forms: " << (output / file.name).string() << ": cannot be written\n";
      return 1;
    }
    std::cout << (output / file.name).string() << " (" << file.bytes.size() << " bytes)\n";
  }
  return 0;
}
