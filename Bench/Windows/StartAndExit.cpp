// The platform's start and exit alone, the part of every run that no program can avoid. Used by
// export-vs-curl.sh.
int main() {
    return 0;
}
