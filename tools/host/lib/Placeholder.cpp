namespace kelvanti_host { int placeholder() { return 0; } }
