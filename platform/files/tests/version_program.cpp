// A program that does nothing; the build gives it a version record to be read.
int main() { return 0; }
