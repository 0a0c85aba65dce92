// The program of a link check: the layer's objects are linked in whole, nothing is run.
int main() {
    return 0;
}
