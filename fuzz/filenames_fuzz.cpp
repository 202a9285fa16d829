// The file-name functions on arbitrary paths, against their contracts: the
// model of the file-name tests, with the input bytes choosing the paths.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "foundation/FileNamesModel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vela::fuzz::ByteChoices c(data, size);
  const std::string path = vela::test::RandomPath(c), ext = vela::test::RandomPath(c);
  vela::fuzz::RequireAgreement(vela::test::CheckFileNames(path, ext));
  return 0;
}
