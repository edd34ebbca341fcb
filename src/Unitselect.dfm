object FormSelect: TFormSelect
  Left = 0
  Top = 0
  Caption = 'keltrop frontend'
  ClientHeight = 266
  ClientWidth = 392
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'Tahoma'
  Font.Style = []
  OldCreateOrder = False
  Position = poDesktopCenter
  PixelsPerInch = 96
  TextHeight = 13
  object Memo1: TMemo
    Left = 8
    Top = 188
    Width = 263
    Height = 53
    Color = clBlack
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clSilver
    Font.Height = -14
    Font.Name = 'Tahoma'
    Font.Style = []
    Lines.Strings = (
      'output')
    ParentFont = False
    ReadOnly = True
    ScrollBars = ssVertical
    TabOrder = 0
  end
  object Panel1: TPanel
    Left = 0
    Top = 0
    Width = 392
    Height = 169
    Align = alTop
    BevelOuter = bvNone
    TabOrder = 1
    object Image1: TImage
      Left = 47
      Top = 8
      Width = 90
      Height = 33
      Transparent = True
    end
    object Image2: TImage
      Left = 8
      Top = 8
      Width = 33
      Height = 33
    end
    object LabelVersion: TLabel
      Left = 143
      Top = 10
      Width = 56
      Height = 13
      Caption = 'version 100'
      Font.Charset = DEFAULT_CHARSET
      Font.Color = clWindowText
      Font.Height = -11
      Font.Name = 'Tahoma'
      Font.Style = []
      ParentFont = False
    end
    object LabelURL: TLabel
      Left = 143
      Top = 24
      Width = 78
      Height = 13
      Cursor = crHandPoint
      Caption = 'go to homepage'
      Font.Charset = DEFAULT_CHARSET
      Font.Color = clBlue
      Font.Height = -11
      Font.Name = 'Tahoma'
      Font.Style = []
      ParentFont = False
      OnClick = LabelURLClick
      OnMouseEnter = LabelURLMouseEnter
      OnMouseLeave = LabelURLMouseLeave
    end
    object BitBtn1: TBitBtn
      Left = 8
      Top = 61
      Width = 75
      Height = 25
      Caption = '1.File'
      Font.Charset = DEFAULT_CHARSET
      Font.Color = clWindowText
      Font.Height = -13
      Font.Name = 'Tahoma'
      Font.Style = []
      ParentFont = False
      TabOrder = 0
      OnClick = BitBtn1Click
    end
    object BitBtn2: TBitBtn
      Left = 8
      Top = 92
      Width = 75
      Height = 25
      Caption = '2.Run'
      Font.Charset = DEFAULT_CHARSET
      Font.Color = clWindowText
      Font.Height = -13
      Font.Name = 'Tahoma'
      Font.Style = []
      ParentFont = False
      TabOrder = 1
      OnClick = BitBtn2Click
    end
    object EditPath: TEdit
      Left = 8
      Top = 133
      Width = 372
      Height = 21
      Anchors = [akLeft, akTop, akRight]
      TabOrder = 2
      Text = ''
    end
    object Memo2: TMemo
      Left = 89
      Top = 63
      Width = 240
      Height = 54
      BorderStyle = bsNone
      Color = clBtnFace
      Lines.Strings = (
        #65321#65326#65321#12501#12449#12452#12523#12434#36984#25246#12289#21448#12399#12489#12525#12483#12503#12375#12390#19979#12373#12356#12290
        #65288#25313#24373#23376#12399'INI'#20197#22806#12391#12418#21487#65289
        ''
        #21516#12501#12457#12523#12480#12395#12289#65315'++'#12398#12504#12483#12480#12501#12449#12452#12523#12434#20316#25104#12375#12414#12377#12290)
      ReadOnly = True
      TabOrder = 3
    end
  end
  object OpenDialog1: TOpenDialog
    Left = 352
    Top = 8
  end
end
