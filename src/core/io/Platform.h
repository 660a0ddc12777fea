#pragma once

// Which system calls this build makes for files, folders, terminals and signals. A POSIX system
// takes the POSIX calls (descriptors, openat, renameat2 on Linux, isatty, sigwait), which are
// the faster ones; every other system takes the portable calls (std::filesystem, Qt's file and
// terminal calls, the C++ signal handler). TOVREL_PORTABLE_PATHS (the CMake option of that name)
// makes a POSIX build take the portable calls too, so that they are built and tested there.
//
// Only sources named in tovrel_platform_sources() (CMake) are told of that option: a source
// that includes this header must be named there.
#if defined(__unix__) || defined(__APPLE__)
#define TOVREL_HAS_POSIX 1
#else
#define TOVREL_HAS_POSIX 0
#endif

#if TOVREL_HAS_POSIX && !defined(TOVREL_PORTABLE_PATHS)
#define TOVREL_POSIX_PATHS 1
#else
#define TOVREL_POSIX_PATHS 0
#endif
