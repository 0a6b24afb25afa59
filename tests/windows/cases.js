// Runs the shared case table through Tarnwell.FlowClass the way a JScript macro does
// (CreateObject, late binding) and compares each flow with the Linux library's result.
// Wine's cscript exits 0 even when a script dies, so success is the final
// TARNWELL-CASES-OK line, which only a complete, matching run prints.
//
//   cscript //nologo cases.js <expected cases.csv>

function parseNumber(text) {
    switch (text.toLowerCase()) {
    case "nan": case "-nan": return NaN;
    case "inf": case "+inf": case "infinity": return Infinity;
    case "-inf": case "-infinity": return -Infinity;
    }
    var value = parseFloat(text);
    if (isNaN(value))
        throw new Error("not a number: " + text);
    return value;
}

function sameFlow(expected, actual) {
    if (expected === actual)
        return true;
    return Math.abs(expected - actual) <= 1e-12 * Math.max(Math.abs(expected), Math.abs(actual));
}

if (WScript.Arguments.length != 1) {
    WScript.Echo("usage: cscript cases.js <expected cases.csv>");
    WScript.Quit(2);
}
var fso = new ActiveXObject("Scripting.FileSystemObject");
var file = fso.OpenTextFile(WScript.Arguments(0), 1);
var objects = {};
var rows = 0, failures = 0;

file.ReadLine();
while (!file.AtEndOfStream) {
    var line = file.ReadLine();
    if (line.length == 0)
        continue;
    var f = line.split(",");
    if (f.length != 9) {
        WScript.Echo("TARNWELL-FAIL malformed row: " + line);
        WScript.Quit(1);
    }
    if (!objects.hasOwnProperty(f[1]))
        objects[f[1]] = WScript.CreateObject("Tarnwell.FlowClass");
    var expected = parseNumber(f[8]);
    var actual = objects[f[1]].CalcFlow(parseNumber(f[2]), parseNumber(f[3]), parseNumber(f[4]),
                                        parseNumber(f[5]), parseNumber(f[6]), parseNumber(f[7]));
    rows++;
    if (typeof actual != "number" || !sameFlow(expected, actual)) {
        failures++;
        WScript.Echo("TARNWELL-FAIL " + f[0] + ": expected " + f[8] + ", got " + actual);
    }
}
file.Close();

if (rows < 10)
    WScript.Echo("TARNWELL-FAIL only " + rows + " rows ran");
else if (failures == 0)
    WScript.Echo("TARNWELL-CASES-OK " + rows + " rows");
