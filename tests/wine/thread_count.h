// The number of threads of the calling process (thread_count_posix.cpp, thread_count_windows.cpp).
#pragma once

namespace qxtools {

int ThreadCount();

}  // namespace qxtools
