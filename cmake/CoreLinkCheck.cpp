// Linked with the whole core library and nothing of Qt Widgets: building it is the check.
int main() {
    return 0;
}
