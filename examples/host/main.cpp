// The example host program: plays the app that embeds the SDK.
#include <cstdio>

int main() {
    std::puts("Nuvra mobile SDK example host");
    return 0;
}
