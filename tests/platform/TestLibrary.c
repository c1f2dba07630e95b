/* SPDX-License-Identifier: MIT */
/* A tiny shared object for the run-time loading tests: one exported function, one hidden. */
__attribute__((visibility("default"))) int mira_test_answer(void) { return 42; }
int mira_test_hidden(void) { return 7; }
