/* The do-nothing process: what starting and ending a process costs on this machine. */
int main(void) { return 0; }
