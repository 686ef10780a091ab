"""The hostile-input fuzzer: python -m tests.fuzz --help."""
