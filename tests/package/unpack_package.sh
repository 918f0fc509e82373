#!/bin/sh
# Unpacks the Windows package into a fresh, empty folder for the package test.
set -eu
package=$1
folder=$2
rm -rf "$folder"
mkdir -p "$folder"
unzip -q "$package" -d "$folder"
