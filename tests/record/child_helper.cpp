// The child of the child process test: writes its arguments after the first two, one a line, a
// line "--", then every byte read from standard input, to the file its first argument names; then
// exits with the status its second argument gives (98 when the file cannot be made).
#include <cstdio>
#include <cstdlib>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
  if (argc < 3) return 99;
#ifdef _WIN32
  _setmode(_fileno(stdin), _O_BINARY);  // the bytes as they come, line ends and all
#endif
  std::FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr) return 98;
  for (int index = 3; index < argc; ++index) std::fprintf(out, "%s\n", argv[index]);
  std::fputs("--\n", out);
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;) std::fwrite(buffer, 1, got, out);
  std::fclose(out);
  return std::atoi(argv[2]);
}
