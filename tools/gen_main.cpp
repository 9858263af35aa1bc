#include <cstdio>
int main() { std::puts("cinevue-gen: not built yet"); return 1; }
