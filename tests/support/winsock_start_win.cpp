// winsock_start_win.cpp: starts Windows sockets in a test program before
// main, as the program itself does at the start of a run, so that its tests
// may open sockets in any order. Linked into every test program of the
// Windows build; Winsock is never shut down, as in the program.
#include <winsock2.h>

namespace {

const int started = [] {
  WSADATA details{};
  return ::WSAStartup(MAKEWORD(1, 1), &details);
}();

}  // namespace
