// Tiny programs that the leak check's valgrind wrapper (memcheck.sh) is
// tried on, one per argument:
//   clean                nothing wrong: exit status 0
//   leak                 a block definitely lost
//   trap                 an illegal instruction of the program's own (ud2)
//   unknown-instruction  an instruction valgrind cannot translate (an
//                        AVX-512 one, which valgrind does not decode),
//                        as a library may use on a newer processor; only
//                        ever run under valgrind, which turns it into a
//                        SIGILL whatever the processor
#include <cstdio>
#include <cstring>

namespace {

int* volatile kept = nullptr;  // volatile: the allocation is not optimised away

}  // namespace

int main(int argc, char** argv)
{
    const char* kind = argc > 1 ? argv[1] : "";
    if (std::strcmp(kind, "clean") == 0)
        return 0;
    if (std::strcmp(kind, "leak") == 0) {
        kept = new int[100];
        kept[0] = 1;
        kept = nullptr;  // the only pointer to the block is gone
        return 0;
    }
    if (std::strcmp(kind, "trap") == 0)
        __builtin_trap();
    if (std::strcmp(kind, "unknown-instruction") == 0) {
        // vpxord zmm0, zmm0, zmm0 (EVEX-encoded).
        asm volatile(".byte 0x62, 0xf1, 0x7d, 0x48, 0xef, 0xc0" ::: "xmm0");
        return 0;
    }
    std::fprintf(stderr, "usage: %s clean|leak|trap|unknown-instruction\n", argv[0]);
    return 2;
}
