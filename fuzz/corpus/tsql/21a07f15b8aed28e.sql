IF OBJECT_ID('TempDB.dbo.##VendaDetalhadaDadosComplementares') IS NOT NULL 
DROP TABLE ##VendaDetalhadaDadosComplementares