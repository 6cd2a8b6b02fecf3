// Unit simulator entry point.
#include <cstdio>

int main()
{
    std::puts("unitsim: not built yet");
    return 0;
}
