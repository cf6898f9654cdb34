{ Converts form definitions with Free Pascal's own stream classes, an implementation of the
  format independent of ours:
    form_stream txt2dfm TEXT DEFINITION
    form_stream dfm2txt DEFINITION TEXT }
program form_stream;
{$mode objfpc}{$H+}
uses Classes, SysUtils;
var
  input, output: TFileStream;
begin
  if ParamCount <> 3 then Halt(2);
  input := TFileStream.Create(ParamStr(2), fmOpenRead);
  output := TFileStream.Create(ParamStr(3), fmCreate);
  try
    if ParamStr(1) = 'txt2dfm' then
      ObjectTextToResource(input, output)
    else
      ObjectResourceToText(input, output);
  finally
    output.Free;
    input.Free;
  end;
end.
