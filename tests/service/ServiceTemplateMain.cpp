// service_database_template FILE: builds the service tests' database once
// for the whole test run and leaves it at FILE, where every test process
// copies it from (FIELDSYNC_SERVICE_TEMPLATE). The file appears whole or not
// at all: it is written beside FILE and renamed.
#include <exception>
#include <filesystem>
#include <iostream>

#include "ServiceTemplate.h"

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  using namespace fieldsync::test;
  if (argc != 2) {
    std::cerr << "usage: service_database_template FILE\n";
    return 2;
  }
  try {
    const fs::path target = fs::absolute(argv[1]);
    const TScratchDatabase scratch;
    BuildServiceDatabase(scratch, "service.fdb");
    const fs::path part = target.string() + ".part";
    fs::create_directories(target.parent_path());
    fs::copy_file(scratch.Dir() / "service.fdb", part, fs::copy_options::overwrite_existing);
    fs::rename(part, target);
    std::cout << "built " << target.string() << "\n";
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}
