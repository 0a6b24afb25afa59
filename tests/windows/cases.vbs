' Runs the shared case table through Tarnwell.FlowClass the way a VBScript macro does
' (CreateObject, late binding) and compares each flow with the Linux library's result.
' Wine's cscript exits 0 even when a script dies, so success is the final
' TARNWELL-CASES-OK line, which only a complete, matching run prints.
'
'   cscript //nologo cases.vbs <expected cases.csv>
Option Explicit

Function Larger(a, b)
    If a > b Then Larger = a Else Larger = b
End Function

Function SameFlow(expected, actual)
    SameFlow = Abs(expected - actual) <= 1E-12 * Larger(Abs(expected), Abs(actual))
End Function

' VBScript cannot make NaN or infinity from text; those rows are left to the C++ and JScript
' clients.
Function IsNonFinite(text)
    Select Case LCase(text)
        Case "nan", "-nan", "inf", "-inf", "+inf", "infinity", "-infinity"
            IsNonFinite = True
        Case Else
            IsNonFinite = False
    End Select
End Function

Dim fso, file, objects, skippedObjects, line, fields, i, nonFinite, flow, expected, actual
Dim rows, failures, skipped
If WScript.Arguments.Count <> 1 Then
    WScript.Echo "usage: cscript cases.vbs <expected cases.csv>"
    WScript.Quit 2
End If
Set fso = CreateObject("Scripting.FileSystemObject")
Set file = fso.OpenTextFile(WScript.Arguments(0), 1)
Set objects = CreateObject("Scripting.Dictionary")
Set skippedObjects = CreateObject("Scripting.Dictionary")
rows = 0
failures = 0
skipped = 0

file.ReadLine
Do Until file.AtEndOfStream
    line = file.ReadLine
    If Len(line) > 0 Then
        fields = Split(line, ",")
        If UBound(fields) <> 8 Then
            WScript.Echo "TARNWELL-FAIL malformed row: " & line
            WScript.Quit 1
        End If
        nonFinite = False
        For i = 2 To 7
            If IsNonFinite(fields(i)) Then nonFinite = True
        Next
        ' The object's state would differ from the table's after a skipped row, so the rest
        ' of that object's rows go too.
        If nonFinite Or skippedObjects.Exists(fields(1)) Then
            skippedObjects(fields(1)) = True
            skipped = skipped + 1
        Else
            If Not objects.Exists(fields(1)) Then
                objects.Add fields(1), CreateObject("Tarnwell.FlowClass")
            End If
            Set flow = objects(fields(1))
            expected = CDbl(fields(8))
            actual = flow.CalcFlow(CDbl(fields(2)), CDbl(fields(3)), CDbl(fields(4)), _
                                   CDbl(fields(5)), CDbl(fields(6)), CDbl(fields(7)))
            rows = rows + 1
            If TypeName(actual) <> "Double" Then
                failures = failures + 1
                WScript.Echo "TARNWELL-FAIL " & fields(0) & ": result is a " & TypeName(actual)
            ElseIf Not SameFlow(expected, actual) Then
                failures = failures + 1
                WScript.Echo "TARNWELL-FAIL " & fields(0) & ": expected " & fields(8) & _
                             ", got " & CStr(actual)
            End If
        End If
    End If
Loop
file.Close

' Whole numbers reach the server as integers from a script; they must work too.
Set flow = CreateObject("Tarnwell.FlowClass")
If flow.CalcFlow(8, 6, 0.6, 60, 500, 4) <= 0 Then
    failures = failures + 1
    WScript.Echo "TARNWELL-FAIL integer arguments"
End If

If rows < 10 Then
    WScript.Echo "TARNWELL-FAIL only " & rows & " rows ran"
ElseIf failures = 0 Then
    WScript.Echo "TARNWELL-CASES-OK " & rows & " rows, " & skipped & " non-finite rows left out"
End If
