/* The firmware's entry point; it runs on the part, never here. */
void start(void) {
    for (;;) {
    }
}
