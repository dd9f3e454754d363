' A late-bound client of the installed library, as the application's scripts reach it:
' each class created by its ProgID alone, then called by name through IDispatch.
' Prints one line per class, "created <ProgID> as <interface>", and one per call; a
' failure is printed with its code and counted into the exit code. Wine's script host
' ends with code 0 on an error it does not report, so the caller also counts the lines.
Option Explicit
On Error Resume Next

Dim failures : failures = 0

Sub Fail(what)
  WScript.Echo "FAILED " & what & ": error 0x" & Hex(Err.Number) & " " & Err.Description
  failures = failures + 1
  Err.Clear
End Sub

Function Create(progId)
  Err.Clear
  Set Create = CreateObject(progId)
  If Err.Number <> 0 Then
    Fail "CreateObject(""" & progId & """)"
    Set Create = Nothing
  Else
    WScript.Echo "created " & progId & " as " & TypeName(Create)
  End If
End Function

Dim o, progId
For Each progId In Array("VornIEGUI.VornIEExplorerBar", "VornIEGUI.BriselQLToolbar")
  Set o = Create(progId)
  Set o = Nothing
Next

Set o = Create("VornIEGUI.VornBHOGUI")
If Not o Is Nothing Then
  o.MouseMove 10, 20
  If Err.Number <> 0 Then Fail "VornBHOGUI.MouseMove" Else WScript.Echo "called VornBHOGUI.MouseMove"
  o.MouseOutLink
  If Err.Number <> 0 Then Fail "VornBHOGUI.MouseOutLink" Else WScript.Echo "called VornBHOGUI.MouseOutLink"
End If
Set o = Nothing

Set o = Create("VornIEGUI.VornOffUtils")
Set o = Nothing

WScript.Quit failures
