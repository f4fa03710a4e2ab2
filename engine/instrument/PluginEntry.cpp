// Placeholder entry until the effect classes land.
extern "C" __attribute__((visibility("default"))) void* VSTPluginMain(void*) { return nullptr; }
extern "C" __attribute__((visibility("default"))) void* kelvanti_main(void* cb) asm("main");
extern "C" void* kelvanti_main(void* cb) { return VSTPluginMain(cb); }
