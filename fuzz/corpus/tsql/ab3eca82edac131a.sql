IF OBJECT_ID('TempDB.dbo.##Tabela') IS NOT NULL 
DROP TABLE ##Tabela