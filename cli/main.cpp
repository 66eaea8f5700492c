// zorvex-cli: the command-line companion. Subcommands are added per feature.
int main() {
    return 0;
}
