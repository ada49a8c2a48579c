// GLIMMER_CLONE_FOR_AVX2: a function built twice, for AVX2 and for any x86-64, the one to run
// chosen when the program loads. That needs the ELF loader's indirect functions; other targets
// (Windows executables) build the plain form alone, with the same results.
#pragma once

#if defined(__ELF__) && defined(__x86_64__)
#define GLIMMER_CLONE_FOR_AVX2 __attribute__((target_clones("avx2", "default")))
#else
#define GLIMMER_CLONE_FOR_AVX2
#endif
