// SPDX-License-Identifier: GPL-3.0-or-later
// Linked with one library taken whole and the libraries below it: the link fails when the
// library calls into a floor above its own.
int main()
{
    return 0;
}
