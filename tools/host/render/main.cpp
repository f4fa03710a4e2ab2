#include <cstdio>
int main() { std::puts("kelvanti-render"); return 0; }
