// Formats a grid of values with the npm package ssf for the differential number-format test.
// Usage: node ssf_reference.js SSF_DIR < cases
// Each input line is JSON {"f": format code, "v": number or string, "d": use 1904 dates};
// each output line is JSON {"r": text} or {"e": error message}, in the same order.
"use strict";
const path = require("path");
const readline = require("readline");

const SSF = require(path.resolve(process.argv[2]));
const lines = readline.createInterface({ input: process.stdin, crlfDelay: Infinity });
const out = [];
lines.on("line", (line) => {
    if (line.length === 0) {
        return;
    }
    const item = JSON.parse(line);
    try {
        out.push(JSON.stringify({ r: SSF.format(item.f, item.v, { date1904: !!item.d }) }));
    } catch (error) {
        out.push(JSON.stringify({ e: String(error && error.message ? error.message : error) }));
    }
});
lines.on("close", () => {
    process.stdout.write(out.join("\n") + "\n");
});
