' Drives Tintbox through Automation by name, as any script host does: creates it by its
' program id, calls every member, and checks by-reference results and errors.
' Prints one line per failed check and "passed N checks" at the end; exits with the
' number of failures. (Wine's cscript prints booleans as -1/0, so they are compared.)
Option Explicit

Dim checks, failures
checks = 0
failures = 0

Sub Check(what, actual, expected)
    checks = checks + 1
    If TypeName(actual) <> TypeName(expected) Then
        WScript.Echo "FAIL " & what & ": a " & TypeName(actual) & " (" & actual & "), expected a " & TypeName(expected) & " (" & expected & ")"
        failures = failures + 1
    ElseIf actual <> expected Then
        WScript.Echo "FAIL " & what & ": " & actual & ", expected " & expected
        failures = failures + 1
    End If
End Sub

Sub CheckError(what, number, sourceName)
    checks = checks + 1
    If Err.Number <> number Or (sourceName <> "" And Err.Source <> sourceName) Then
        WScript.Echo "FAIL " & what & ": error " & Err.Number & " from """ & Err.Source & """ (" & Err.Description & "), expected " & number
        failures = failures + 1
    End If
    Err.Clear
End Sub

Dim t
Set t = CreateObject("TintboxControl.Tintbox")

' ---- The colour and its components
Check "GetRGB of a new control", t.GetRGB(), CLng(0)
t.SetRGB 255
Check "GetRGB after SetRGB 255", t.GetRGB(), CLng(255)
Check "GetRed", t.GetRed(), CInt(255)
Check "GetGreen", t.GetGreen(), CInt(0)
Check "GetBlue", t.GetBlue(), CInt(0)

Dim wanted
wanted = 300
t.SetGreen wanted
Check "SetGreen 300 gives 255", t.GetGreen(), CInt(255)
Check "SetGreen leaves its argument alone", wanted, 300
t.SetBlue -5
Check "SetBlue -5 gives 0", t.GetBlue(), CInt(0)
t.SetRed 16
Check "SetRed 16", t.GetRed(), CInt(16)
Check "GetRGB after the components", t.GetRGB(), CLng(16 + 255 * 256)

wanted = 20000000
t.SetRGB wanted
Check "SetRGB above white gives white", t.GetRGB(), CLng(16777215)
Check "SetRGB leaves its argument alone", wanted, 20000000
t.SetRGB "4660"
Check "a numeric text converts to Long", t.GetRGB(), CLng(4660)

' ---- Dec writes the cleaned text back into its argument
Dim number
number = "#1a2B3d"
Check "Dec's result", t.Dec(number), CLng(1715005)
Check "Dec's argument afterwards", number, "1A2B3D"
number = "xyz"
Check "Dec of no digits", t.Dec(number), CLng(0)
Check "Dec empties its argument", number, ""
Check "Dec of a constant", t.Dec("ff"), CLng(255)

' ---- SepRGB fills its three Longs
Dim red, green, blue
t.SepRGB &H123456, red, green, blue
Check "SepRGB red", red, CLng(&H56)
Check "SepRGB green", green, CLng(&H34)
Check "SepRGB blue", blue, CLng(&H12)
Dim colour
colour = -257
t.SepRGB colour, red, green, blue
Check "SepRGB of -257", red & " " & green & " " & blue, "255 255 0"
Check "SepRGB leaves Value alone", colour, -257

' ---- Properties
Check "Enabled of a new control", CInt(t.Enabled), CInt(-1)
Check "Enabled is a Boolean", TypeName(t.Enabled), "Boolean"
t.Enabled = False
Check "Enabled after False", CInt(t.Enabled), CInt(0)
t.Enabled = True
Check "Enabled after True", CInt(t.Enabled), CInt(-1)
Check "Picture of a new control is Nothing", t.Picture Is Nothing, True

' ---- Errors reach the script
On Error Resume Next
t.SetRed 100000
CheckError "SetRed with a number beyond Integer", 6, ""
t.SepRGB 2147483648, red, green, blue
CheckError "SepRGB with a number beyond Long", 6, ""
t.SetRGB "blue"
CheckError "SetRGB with a text that is no number", 13, ""
t.SetRGB
CheckError "SetRGB without its argument", 450, ""
t.Paint
CheckError "a member the control does not have", 438, ""
Set t.Picture = CreateObject("Scripting.Dictionary")
CheckError "a Picture that is no picture", 481, "TintboxControl.Tintbox"
On Error GoTo 0
Check "the failed calls changed nothing", t.GetRGB(), CLng(4660)

Set t = Nothing
WScript.Echo "passed " & (checks - failures) & " of " & checks & " checks"
WScript.Quit failures
