int main() { return 1; } // Not written yet.
