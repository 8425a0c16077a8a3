#include "platform/window_system.h"

namespace tavrinole {
namespace {

// Per thread: a worker's own window system, in a test, never answers for the GUI's.
thread_local WindowSystem* calling = nullptr;

}  // namespace

WindowSystem* WindowSystem::Calling() {
  return calling;
}

WindowSystem::CallingScope::CallingScope(WindowSystem& windows) : outer_(calling) {
  calling = &windows;
}

WindowSystem::CallingScope::~CallingScope() {
  calling = outer_;
}

}  // namespace tavrinole
