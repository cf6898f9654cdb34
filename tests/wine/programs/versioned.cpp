// A program that does nothing, for its version resource.
int main() {
  return 0;
}
